#include "library/deleted_note.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/json_read.h"
#include "core/json_writer.h"

#include <QJsonArray>
#include <algorithm>
#include <cmath>
#include <deque>

namespace lumbex {
namespace {

// Keys of a kept JSON object are written as they are: one that would need escaping, or that is
// not printable ASCII (field names never are), cannot be stored unchanged, so such an object is
// refused on read rather than written back damaged.
bool plainKey(const QString& key) {
    return std::all_of(key.begin(), key.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() < 0x7f && c != u'"' && c != u'\\';
    });
}

void requirePlainKeys(const QJsonValue& value, const JsonNode& node) {
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!plainKey(it.key()))
                node.fail(QStringLiteral("unsupported key"));
            requirePlainKeys(it.value(), node);
        }
    } else if (value.isArray()) {
        for (const QJsonValue& element : value.toArray())
            requirePlainKeys(element, node);
    }
}

void writeValue(JsonWriter& out, const QJsonValue& value);

void writeObject(JsonWriter& out, const QJsonObject& object) {
    // Sorted by their UTF-8 bytes, the order the writer checks; the bytes live until the end.
    std::deque<QByteArray> keys;
    for (const QString& key : object.keys())
        keys.push_back(key.toUtf8());
    std::sort(keys.begin(), keys.end());
    out.beginObject();
    for (const QByteArray& key : keys) {
        out.key(key.constData());
        writeValue(out, object.value(QString::fromUtf8(key)));
    }
    out.endObject();
}

void writeValue(JsonWriter& out, const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::Bool:
        out.value(value.toBool());
        break;
    case QJsonValue::Double: {
        const double number = value.toDouble();
        const qint64 whole = value.toInteger();
        if (double(whole) == number)
            out.value(whole);
        else
            out.value(number);
        break;
    }
    case QJsonValue::String:
        out.value(value.toString());
        break;
    case QJsonValue::Array:
        out.beginArray();
        for (const QJsonValue& element : value.toArray())
            writeValue(out, element);
        out.endArray();
        break;
    case QJsonValue::Object:
        writeObject(out, value.toObject());
        break;
    default:
        out.null();
        break;
    }
}

QString requiredPath(const JsonNode& node) {
    const auto path = pathOfFileURL(node.toString());
    if (!path)
        node.fail(QStringLiteral("expected a file URL"));
    return *path;
}

} // namespace

Date DeletedNote::expiresAt() const {
    return deletedAt + kDeletedNoteLifetimeSeconds;
}

QString DeletedNote::cloudArchivePath() const {
    return QStringLiteral("Recently Deleted/") + idString(id);
}

bool DeletedNote::hasCloudReceipt() const {
    if (!cloudBinding)
        return false;
    const QJsonValue receipt = cloudBinding->value(QStringLiteral("receipt"));
    return !receipt.isUndefined() && !receipt.isNull();
}

QString fileURLString(const QString& path) {
    return QStringLiteral("file://") +
           QString::fromLatin1(encodeFileName(path).toPercentEncoding("/"));
}

std::optional<QString> pathOfFileURL(const QString& url) {
    static const QString scheme = QStringLiteral("file://");
    if (!url.startsWith(scheme, Qt::CaseInsensitive))
        return std::nullopt;
    QString rest = url.mid(scheme.size());
    // "file://localhost/path" names the same file as "file:///path".
    if (rest.startsWith(QStringLiteral("localhost/"), Qt::CaseInsensitive))
        rest = rest.mid(9);
    if (!rest.startsWith(u'/') || rest.contains(u'?') || rest.contains(u'#'))
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromPercentEncoding(rest.toUtf8());
    if (bytes.contains('\0'))
        return std::nullopt;
    return decodeFileName(bytes);
}

QByteArray encodeDeletedNote(const DeletedNote& e) {
    JsonWriter out(JsonWriter::Style::Pretty);
    out.beginObject();
    out.key("cloudArchived");
    out.value(e.cloudArchived);
    out.optional("cloudBinding", e.cloudBinding,
                 [&](const QJsonObject& binding) { writeObject(out, binding); });
    out.optional("cloudPaths", e.cloudPaths, [&](const std::vector<QString>& paths) {
        out.array(paths, [&](const QString& p) { out.value(p); });
    });
    out.key("deletedAt");
    out.value(e.deletedAt);
    out.optional("error", e.error);
    out.key("expiredToTrash");
    out.value(e.expiredToTrash);
    out.key("id");
    out.value(e.id);
    out.key("localArchived");
    out.value(e.localArchived);
    out.key("metadataSHA256");
    out.value(e.metadataSHA256);
    out.key("noteID");
    out.value(e.noteID);
    out.key("originalURL");
    out.value(fileURLString(e.originalURL));
    out.key("removeCloudCopies");
    out.value(e.removeCloudCopies);
    out.key("restoredMetadata");
    out.value(e.restoredMetadata);
    out.optional("restoredSHA256", e.restoredSHA256);
    out.optional("restoredURL", e.restoredURL,
                 [&](const QString& path) { out.value(fileURLString(path)); });
    out.key("restoring");
    out.value(e.restoring);
    out.key("schemaVersion");
    out.value(e.schemaVersion);
    out.key("title");
    out.value(e.title);
    out.endObject();
    return out.take();
}

DeletedNote decodeDeletedNote(const QByteArray& bytes) {
    const JsonObjectNode object = parseJsonObject(bytes);
    DeletedNote e;
    e.schemaVersion = object.required(QStringLiteral("schemaVersion")).toInt32();
    e.id = object.required(QStringLiteral("id")).toId();
    e.noteID = object.required(QStringLiteral("noteID")).toId();
    e.title = object.required(QStringLiteral("title")).toString();
    e.deletedAt = object.required(QStringLiteral("deletedAt")).toDouble();
    e.originalURL = requiredPath(object.required(QStringLiteral("originalURL")));
    e.metadataSHA256 = object.required(QStringLiteral("metadataSHA256")).toString();
    if (auto binding = object.optional(QStringLiteral("cloudBinding"))) {
        binding->toObject(); // type check with the key's path
        requirePlainKeys(binding->value(), *binding);
        e.cloudBinding = binding->value().toObject();
    }
    e.removeCloudCopies = object.required(QStringLiteral("removeCloudCopies")).toBool();
    e.localArchived = object.required(QStringLiteral("localArchived")).toBool();
    e.cloudPaths = object.optionalOf(QStringLiteral("cloudPaths"), [](const JsonNode& node) {
        return node.toArrayOf([](const JsonNode& p) { return p.toString(); });
    });
    e.cloudArchived = object.required(QStringLiteral("cloudArchived")).toBool();
    e.restoring = object.required(QStringLiteral("restoring")).toBool();
    e.restoredURL = object.optionalOf(QStringLiteral("restoredURL"), requiredPath);
    e.restoredMetadata = object.required(QStringLiteral("restoredMetadata")).toBool();
    e.restoredSHA256 = object.optionalOf(QStringLiteral("restoredSHA256"),
                                         [](const JsonNode& n) { return n.toString(); });
    e.expiredToTrash = object.required(QStringLiteral("expiredToTrash")).toBool();
    e.error =
        object.optionalOf(QStringLiteral("error"), [](const JsonNode& n) { return n.toString(); });
    return e;
}

} // namespace lumbex
