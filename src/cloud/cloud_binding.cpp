#include "cloud/cloud_binding.h"

#include "core/error.h"
#include "core/files.h"
#include "core/json_read.h"
#include "core/json_writer.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

namespace lumbex {
namespace {

QString asData(const QString& text) {
    return QString::fromLatin1(text.toUtf8().toBase64());
}

QString fromData(const JsonNode& node) {
    const auto bytes = QByteArray::fromBase64Encoding(node.toString().toLatin1(),
                                                      QByteArray::AbortOnBase64DecodingErrors);
    if (!bytes)
        node.fail(QStringLiteral("expected base64 data"));
    return QString::fromUtf8(*bytes);
}

void write(JsonWriter& out, const CloudBinding& b) {
    out.beginObject();
    out.optional("account", b.account, [&](const QString& a) { out.value(asData(a)); });
    out.key("enabled");
    out.value(b.enabled);
    out.key("folder");
    out.value(asData(b.folder));
    out.key("includeVoiceAudio");
    out.value(b.includeVoiceAudio);
    out.key("localNote");
    out.value(asData(b.localNote));
    out.optional("receipt", b.receipt, [&](const CloudReceipt& r) { CloudCoding::write(out, r); });
    out.endObject();
}

CloudBinding decode(const JsonObjectNode& o) {
    CloudBinding b;
    b.enabled = o.required(QStringLiteral("enabled")).toBool();
    b.includeVoiceAudio = o.required(QStringLiteral("includeVoiceAudio")).toBool();
    b.folder = fromData(o.required(QStringLiteral("folder")));
    b.localNote = fromData(o.required(QStringLiteral("localNote")));
    b.account = o.optionalOf(QStringLiteral("account"), fromData);
    b.receipt = o.optionalOf(QStringLiteral("receipt"), [](const JsonNode& n) {
        return CloudCoding::decodeReceipt(n.toObject());
    });
    return b;
}

} // namespace

QJsonObject CloudBinding::toJson() const {
    JsonWriter out(JsonWriter::Style::Compact);
    write(out, *this);
    return QJsonDocument::fromJson(out.take()).object();
}

CloudBinding CloudBinding::fromJson(const QJsonObject& object) {
    return decode(parseJsonObject(QJsonDocument(object).toJson(QJsonDocument::Compact)));
}

QByteArray encodeBindings(const std::map<Id, CloudBinding>& bindings) {
    // Upper-case identifiers sort as their text; the writer keeps each key's bytes alive.
    std::map<QByteArray, const CloudBinding*> sorted;
    for (const auto& [id, binding] : bindings)
        sorted.emplace(idString(id).toLatin1(), &binding);
    JsonWriter out(JsonWriter::Style::Pretty);
    out.beginObject();
    for (const auto& [key, binding] : sorted) {
        out.key(key.constData());
        write(out, *binding);
    }
    out.endObject();
    return out.take();
}

std::map<Id, CloudBinding> decodeBindings(const QByteArray& bytes) {
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        throw LumbexError(QStringLiteral("The sync bindings are not a JSON object."));
    const QJsonObject root = document.object();
    std::map<Id, CloudBinding> out;
    for (auto it = root.begin(); it != root.end(); ++it) {
        const auto id = parseId(it.key());
        if (!id)
            throw LumbexError(QStringLiteral("%1: expected a note id").arg(it.key()));
        out.emplace(*id, decode(JsonObjectNode(it.value().toObject(), it.key())));
    }
    return out;
}

CloudBindings::CloudBindings(QString cloudFolder) : folder_(std::move(cloudFolder)) {}

QString CloudBindings::folderBeside(const QString& libraryFolder) {
    return QFileInfo(QDir::cleanPath(libraryFolder)).path() + QStringLiteral("/Cloud");
}

QString CloudBindings::file() const {
    return folder_ + QStringLiteral("/bindings.json");
}

QString CloudBindings::queue() const {
    return folder_ + QStringLiteral("/Cloud Queue");
}

std::map<Id, CloudBinding> CloudBindings::load() const {
    if (entryKind(file()) != EntryKind::File)
        return {};
    try {
        return decodeBindings(readFile(file(), qint64(64) << 20));
    } catch (const LumbexError&) {
        return {};
    }
}

void CloudBindings::save(const std::map<Id, CloudBinding>& bindings) const {
    makeFolders(folder_);
    writeFileAtomically(file(), encodeBindings(bindings));
}

std::optional<CloudBinding> CloudBindings::binding(const Id& noteID) const {
    const auto all = load();
    const auto it = all.find(noteID);
    return it == all.end() ? std::nullopt : std::optional(it->second);
}

void CloudBindings::put(const Id& noteID, const CloudBinding& binding) const {
    auto all = load();
    all[noteID] = binding;
    save(all);
}

} // namespace lumbex
