#pragma once

#include "core/ids.h"
#include "core/rect.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <optional>
#include <vector>

namespace lumbex {

class JsonObjectNode;

// A decoded JSON value together with the key path it was found at ("media[0].width"), so that a
// type failure names the offending value: "media[0].width: expected an integer". Every accessor
// checks the JSON type itself: QJsonValue's own conversions silently default on a wrong type.
class JsonNode {
public:
    JsonNode(QJsonValue value, QString path);
    // A member of an object, or an element of an array, whose container is at `parentPath`. The
    // node's own path is only composed when a failure needs it: decoding stays cheap.
    JsonNode(QJsonValue value, QString parentPath, QString key);
    JsonNode(QJsonValue value, QString parentPath, qsizetype index);

    QString path() const;
    const QJsonValue& value() const { return value_; }

    bool toBool() const;
    qint64 toInt64() const;
    qint32 toInt32() const;
    double toDouble() const;
    QString toString() const;
    Id toId() const;
    Point toPoint() const;
    Rect toRect() const;
    JsonObjectNode toObject() const;
    std::vector<JsonNode> toArray() const;

    template <class Decode> auto toArrayOf(Decode decode) const {
        std::vector<decltype(decode(std::declval<const JsonNode&>()))> out;
        for (const JsonNode& element : toArray())
            out.push_back(decode(element));
        return out;
    }

    // A string stored for an enumeration, turned into its value by `fromRaw`.
    template <class FromRaw> auto toEnum(FromRaw fromRaw) const {
        const QString raw = toString();
        const auto value = fromRaw(raw);
        if (!value)
            fail(QStringLiteral("unexpected value \"%1\"").arg(raw.left(40)));
        return *value;
    }

    // Throws LumbexError("<path>: <what>").
    [[noreturn]] void fail(const QString& what) const;

private:
    QJsonValue value_;
    QString parentPath_;
    QString key_;
    qsizetype index_ = -1;
};

class JsonObjectNode {
public:
    JsonObjectNode(QJsonObject object, QString path);

    // A missing key (or null) fails: "<path>.<key>: required value is missing".
    JsonNode required(const QString& key) const;
    // A missing key and JSON null both read as absent.
    std::optional<JsonNode> optional(const QString& key) const;

    template <class Decode>
    auto optionalOf(const QString& key, Decode decode) const
        -> std::optional<decltype(decode(std::declval<const JsonNode&>()))> {
        if (auto node = optional(key))
            return decode(*node);
        return std::nullopt;
    }

private:
    QString childPath(const QString& key) const;

    QJsonObject object_;
    QString path_;
};

// Parses a whole document whose root must be an object. Syntax errors name the byte offset.
JsonObjectNode parseJsonObject(const QByteArray& bytes);

} // namespace lumbex
