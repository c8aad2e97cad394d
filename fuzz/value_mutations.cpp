#include "fuzz/value_mutations.h"

#include "fuzz/text_mutations.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <limits>
#include <optional>
#include <tuple>
#include <variant>
#include <vector>

namespace lumbex::fuzz {
namespace {

using Step = std::variant<QString, qsizetype>;
using Path = std::vector<Step>;

QString pathText(const Path& path) {
    QString text;
    for (const Step& step : path) {
        if (const auto* key = std::get_if<QString>(&step))
            text += (text.isEmpty() ? QString() : QStringLiteral(".")) + *key;
        else
            text += QStringLiteral("[%1]").arg(std::get<qsizetype>(step));
    }
    return text;
}

void collectPaths(const QJsonValue& value, Path& path, std::vector<Path>& out) {
    if (!path.empty())
        out.push_back(path);
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            path.push_back(it.key());
            collectPaths(it.value(), path, out);
            path.pop_back();
        }
    } else if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i) {
            path.push_back(i);
            collectPaths(array.at(i), path, out);
            path.pop_back();
        }
    }
}

std::vector<Path> allPaths(const QJsonObject& root) {
    std::vector<Path> paths;
    Path path;
    collectPaths(root, path, paths);
    return paths;
}

QJsonValue valueAt(const QJsonValue& root, const Path& path) {
    QJsonValue value = root;
    for (const Step& step : path) {
        if (const auto* key = std::get_if<QString>(&step))
            value = value.toObject().value(*key);
        else
            value = value.toArray().at(std::get<qsizetype>(step));
    }
    return value;
}

// The document with the value at `path` replaced, or removed when `replacement` is empty.
QJsonValue edited(const QJsonValue& value, const Path& path, size_t depth,
                  const std::optional<QJsonValue>& replacement) {
    const bool last = depth + 1 == path.size();
    if (const auto* key = std::get_if<QString>(&path[depth])) {
        QJsonObject object = value.toObject();
        if (last && !replacement)
            object.remove(*key);
        else
            object[*key] =
                last ? *replacement : edited(object.value(*key), path, depth + 1, replacement);
        return object;
    }
    QJsonArray array = value.toArray();
    const qsizetype index = std::get<qsizetype>(path[depth]);
    if (last && !replacement)
        array.removeAt(index);
    else
        array[index] = last ? *replacement : edited(array.at(index), path, depth + 1, replacement);
    return array;
}

// A single value as JSON text; QJsonDocument only writes whole arrays and objects.
QByteArray valueText(const QJsonValue& value) {
    return QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact).mid(1).chopped(1);
}

QByteArray encoded(const QJsonValue& root) {
    return QJsonDocument(root.toObject()).toJson(QJsonDocument::Indented);
}

const std::vector<QJsonValue>& oneOfEachType() {
    static const std::vector<QJsonValue> values = {QJsonValue(QStringLiteral("x")),
                                                   QJsonValue(7),
                                                   QJsonValue(true),
                                                   QJsonValue(QJsonValue::Null),
                                                   QJsonValue(QJsonArray()),
                                                   QJsonValue(QJsonObject()),
                                                   QJsonValue(QJsonArray{1, 2})};
    return values;
}

const std::vector<QJsonValue>& edgeNumbers() {
    static const std::vector<QJsonValue> values = {QJsonValue(1e308),
                                                   QJsonValue(-1e308),
                                                   QJsonValue(0.5),
                                                   QJsonValue(-1),
                                                   QJsonValue(0),
                                                   QJsonValue(-0.0),
                                                   QJsonValue(4.9e-324),
                                                   QJsonValue(1e20),
                                                   QJsonValue(std::numeric_limits<qint64>::max()),
                                                   QJsonValue(std::numeric_limits<qint64>::min()),
                                                   QJsonValue(qint64(2147483648)),
                                                   QJsonValue(qint64(-2147483649)),
                                                   QJsonValue(qint64(9007199254740993)),
                                                   QJsonValue(1e-7)};
    return values;
}

// What a field is, regardless of its position in an array: "marks[].start". A text mark's fields
// are told apart from other marks' because only its text is measured.
QString fieldKind(const QJsonValue& root, const Path& path) {
    QString kind;
    for (const Step& step : path) {
        if (const auto* key = std::get_if<QString>(&step))
            kind += u'.' + *key;
        else
            kind += QStringLiteral("[]");
    }
    if (path.size() > 2 && path[0] == Step(QStringLiteral("marks")) &&
        valueAt(root, {path[0], path[1], QStringLiteral("kind")}) == QStringLiteral("text"))
        kind += QStringLiteral(" of a text mark");
    return kind;
}

} // namespace

void valueSwaps(const QString& name, const QByteArray& json, const Visit& visit) {
    const QJsonValue root = QJsonDocument::fromJson(json).object();
    for (const Path& path : allPaths(root.toObject())) {
        const QString where = name + u' ' + pathText(path);
        visit(where + QStringLiteral(" removed"), encoded(edited(root, path, 0, std::nullopt)));
        for (const QJsonValue& value : oneOfEachType())
            visit(where + QStringLiteral(" = ") + QString::fromUtf8(valueText(value)),
                  encoded(edited(root, path, 0, value)));
        if (valueAt(root, path).isDouble())
            for (const QJsonValue& value : edgeNumbers())
                visit(where + QStringLiteral(" = ") + QString::fromUtf8(valueText(value)),
                      encoded(edited(root, path, 0, value)));
    }
}

void rawValues(const QString& name, const QByteArray& json, const Visit& visit) {
    static const QString marker = QStringLiteral("\x01raw\x01");
    static const QByteArray quotedMarker = valueText(marker);
    const QByteArray tenMegabytes =
        '"' + QByteArray("lorem ipsum ").repeated((10 << 20) / 12) + '"';
    // Each raw value goes where a value of the same JSON type was, so that it gets past the type
    // check and reaches the code that uses it.
    const std::vector<std::tuple<QJsonValue::Type, QString, QByteArray>> raws = {
        {QJsonValue::Array, QStringLiteral("5000 nested arrays"),
         QByteArray(5000, '[') + QByteArray(5000, ']')},
        {QJsonValue::Array, QStringLiteral("1025 nested arrays"),
         QByteArray(1025, '[') + QByteArray(1025, ']')},
        {QJsonValue::Object, QStringLiteral("5000 nested objects"),
         QByteArray("{\"a\":").repeated(5000) + "1" + QByteArray(5000, '}')},
        {QJsonValue::String, QStringLiteral("a 10 MB string"), tenMegabytes},
        {QJsonValue::Double, QStringLiteral("NaN"), "NaN"},
        {QJsonValue::Double, QStringLiteral("Infinity"), "Infinity"},
        {QJsonValue::Double, QStringLiteral("1e999"), "1e999"},
        {QJsonValue::Double, QStringLiteral("a 30-digit integer"),
         "123456789012345678901234567890"}};
    // One field of each kind: enough to reach every decoder without repeating 10 MB inputs.
    const QJsonValue root = QJsonDocument::fromJson(json).object();
    QStringList seen;
    for (const Path& path : allPaths(root.toObject())) {
        const QString kind = fieldKind(root, path);
        if (seen.contains(kind))
            continue;
        seen << kind;
        const QJsonValue::Type type = valueAt(root, path).type();
        const QByteArray withMarker = encoded(edited(root, path, 0, QJsonValue(marker)));
        for (const auto& [rawType, label, raw] : raws)
            if (rawType == type)
                visit(name + u' ' + pathText(path) + QStringLiteral(" as ") + label,
                      QByteArray(withMarker).replace(quotedMarker, raw));
    }
}

void jsonCorpus(const std::vector<QByteArray>& seeds, quint64 seed, const Visit& visit) {
    Random random(seed);
    oddDocuments(visit);
    int index = 0;
    for (const QByteArray& json : seeds) {
        const QString name = QStringLiteral("seed %1").arg(index++);
        visit(name, json);
        blindMutations(name, json, random, visit);
        numberTokens(name, json, random, visit);
        stringBytes(name, json, random, visit);
        valueSwaps(name, json, visit);
        rawValues(name, json, visit);
    }
}

} // namespace lumbex::fuzz
