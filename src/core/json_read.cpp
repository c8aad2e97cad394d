#include "core/json_read.h"

#include "core/error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <limits>

namespace lumbex {

JsonNode::JsonNode(QJsonValue value, QString path)
    : value_(std::move(value)), parentPath_(std::move(path)) {}

JsonNode::JsonNode(QJsonValue value, QString parentPath, QString key)
    : value_(std::move(value)), parentPath_(std::move(parentPath)), key_(std::move(key)) {}

JsonNode::JsonNode(QJsonValue value, QString parentPath, qsizetype index)
    : value_(std::move(value)), parentPath_(std::move(parentPath)), index_(index) {}

QString JsonNode::path() const {
    if (index_ >= 0)
        return parentPath_ + QLatin1Char('[') + QString::number(index_) + QLatin1Char(']');
    if (key_.isEmpty())
        return parentPath_;
    return parentPath_.isEmpty() ? key_ : parentPath_ + QLatin1Char('.') + key_;
}

void JsonNode::fail(const QString& what) const {
    const QString where = path();
    throw LumbexError(where.isEmpty() ? what : where + QStringLiteral(": ") + what);
}

bool JsonNode::toBool() const {
    if (!value_.isBool())
        fail(QStringLiteral("expected true or false"));
    return value_.toBool();
}

qint64 JsonNode::toInt64() const {
    // Qt keeps integers that fit in 64 bits exact; a number with a fraction or out of range is
    // stored as a double, which toInteger refuses by returning the default twice.
    constexpr qint64 a = 0, b = 1;
    if (!value_.isDouble() || value_.toInteger(a) != value_.toInteger(b))
        fail(QStringLiteral("expected an integer"));
    return value_.toInteger();
}

qint32 JsonNode::toInt32() const {
    const qint64 v = toInt64();
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        fail(QStringLiteral("expected a 32-bit integer"));
    return qint32(v);
}

double JsonNode::toDouble() const {
    if (!value_.isDouble())
        fail(QStringLiteral("expected a number"));
    return value_.toDouble();
}

QString JsonNode::toString() const {
    if (!value_.isString())
        fail(QStringLiteral("expected a string"));
    return value_.toString();
}

Id JsonNode::toId() const {
    const auto id = parseId(toString());
    if (!id)
        fail(QStringLiteral("expected a UUID string"));
    return *id;
}

Point JsonNode::toPoint() const {
    // Read straight from the array: points are the most numerous values of a note.
    const QJsonArray parts = value_.toArray();
    if (!value_.isArray() || parts.size() != 2 || !parts[0].isDouble() || !parts[1].isDouble())
        fail(QStringLiteral("expected a point [x, y]"));
    return {parts[0].toDouble(), parts[1].toDouble()};
}

Rect JsonNode::toRect() const {
    const auto parts = toArray();
    if (parts.size() != 2)
        fail(QStringLiteral("expected a rectangle [[x, y], [width, height]]"));
    const Point origin = parts[0].toPoint();
    const Point size = parts[1].toPoint();
    return {origin.x, origin.y, size.x, size.y};
}

JsonObjectNode JsonNode::toObject() const {
    if (!value_.isObject())
        fail(QStringLiteral("expected an object"));
    return {value_.toObject(), path()};
}

std::vector<JsonNode> JsonNode::toArray() const {
    if (!value_.isArray())
        fail(QStringLiteral("expected an array"));
    const QJsonArray array = value_.toArray();
    std::vector<JsonNode> out;
    out.reserve(size_t(array.size()));
    const QString here = path();
    for (qsizetype i = 0; i < array.size(); ++i)
        out.emplace_back(array.at(i), here, i);
    return out;
}

JsonObjectNode::JsonObjectNode(QJsonObject object, QString path)
    : object_(std::move(object)), path_(std::move(path)) {}

QString JsonObjectNode::childPath(const QString& key) const {
    return path_.isEmpty() ? key : path_ + QLatin1Char('.') + key;
}

JsonNode JsonObjectNode::required(const QString& key) const {
    const QJsonValue value = object_.value(key);
    if (value.isUndefined() || value.isNull())
        throw LumbexError(childPath(key) + QStringLiteral(": required value is missing"));
    return {value, path_, key};
}

std::optional<JsonNode> JsonObjectNode::optional(const QString& key) const {
    const QJsonValue value = object_.value(key);
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    return JsonNode(value, path_, key);
}

JsonObjectNode parseJsonObject(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        throw LumbexError(QStringLiteral("The data is not valid JSON: %1 at byte %2.")
                              .arg(error.errorString())
                              .arg(error.offset));
    if (!document.isObject())
        throw LumbexError(QStringLiteral("The data is not a JSON object."));
    return {document.object(), QString()};
}

} // namespace lumbex
