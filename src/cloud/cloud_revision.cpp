#include "cloud/cloud_revision.h"

#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "core/error.h"
#include "core/json_read.h"
#include "core/json_writer.h"
#include "core/sha256.h"

#include <set>

namespace lumbex {
namespace {

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

const QString kReviews = QStringLiteral("Reviews/");

} // namespace

bool isSHA256Text(const QString& text) {
    if (text.size() != 64)
        return false;
    for (const QChar c : text)
        if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
            return false;
    return true;
}

QString CloudRevision::noteFolderPath(const Id& noteID) {
    return QStringLiteral("Notes/") + idString(noteID) + QStringLiteral(".capturenote");
}

QString CloudRevision::manifestPath() const {
    return noteFolder() + QStringLiteral("/revisions/") + identifier + QStringLiteral(".json");
}

QString CloudRevision::currentNotePath() const {
    return noteFolder() + QStringLiteral("/note.json");
}

const CloudFile* CloudRevision::file(const QString& path) const {
    for (const CloudFile& f : files)
        if (f.path == path)
            return &f;
    return nullptr;
}

QString CloudRevision::contentHash(const QByteArray& metadata, bool includesVoiceAudio,
                                   std::optional<qint64> readerVersion) {
    QByteArray bytes = metadata;
    bytes.append(char(includesVoiceAudio ? 1 : 0));
    if (readerVersion)
        bytes.append("mobile-reader-v" + QByteArray::number(*readerVersion));
    return sha256Hex(bytes);
}

QString CloudRevision::makeIdentifier(qint64 revision, const QString& contentSHA256) {
    return u'r' + QString::number(revision) + u'-' + contentSHA256.left(12);
}

void CloudRevision::validate() const {
    if (schemaVersion != 1 || (readerVersion && *readerVersion != currentReaderVersion) ||
        revision < 0)
        fail(CloudMessages::unsupported);
    if (!isSHA256Text(contentSHA256))
        fail(CloudMessages::unsupported);
    if (identifier != makeIdentifier(revision, contentSHA256))
        fail(CloudMessages::unsupported);
    const QString folder = noteFolder();
    if (metadata !=
        folder + QStringLiteral("/revisions/") + identifier + QStringLiteral(".note.json"))
        fail(CloudMessages::unsupported);
    if (!readerPDF.startsWith(kReviews) ||
        !readerPDF.endsWith(u'/' + identifier + QStringLiteral(".pdf")))
        fail(CloudMessages::unsupported);
    if (readerVideo && (!readerVideo->startsWith(kReviews) || !readerVideo->endsWith(u".mp4")))
        fail(CloudMessages::unsupported);

    if (files.empty())
        fail(CloudMessages::unsupported);
    std::set<QString> paths;
    for (const CloudFile& f : files)
        if (!paths.insert(f.path).second)
            fail(CloudMessages::unsupported);
    if (!paths.contains(metadata) || !paths.contains(readerPDF) ||
        (readerVideo && !paths.contains(*readerVideo)))
        fail(CloudMessages::unsupported);

    const QString inside = folder + u'/';
    const QString pointer = currentNotePath();
    const QString manifest = manifestPath();
    for (const CloudFile& f : files) {
        CloudFiles::validatePath(f.path);
        if (!f.path.startsWith(inside) && !f.path.startsWith(kReviews))
            fail(CloudMessages::integrity);
        if (f.path == pointer || f.path == manifest || f.bytes < 0 || !isSHA256Text(f.sha256))
            fail(CloudMessages::integrity);
    }
}

std::vector<CloudFile> CloudReceipt::requiredFiles() const {
    try {
        revision.validate();
    } catch (const LumbexError&) {
        fail(CloudMessages::receiptIncomplete);
    }
    if (manifest.path != revision.manifestPath() || manifest.bytes < 1 ||
        !isSHA256Text(manifest.sha256))
        fail(CloudMessages::receiptIncomplete);
    const CloudFile* metadata = revision.file(revision.metadata);
    if (!metadata)
        fail(CloudMessages::receiptIncomplete);
    std::vector<CloudFile> out;
    out.reserve(revision.files.size() + 2);
    out.push_back(manifest);
    out.push_back({revision.currentNotePath(), metadata->sha256, metadata->bytes});
    out.insert(out.end(), revision.files.begin(), revision.files.end());
    return out;
}

namespace CloudCoding {

void write(JsonWriter& out, const CloudFile& file) {
    out.beginObject();
    out.key("bytes");
    out.value(file.bytes);
    out.key("path");
    out.value(file.path);
    out.key("sha256");
    out.value(file.sha256);
    out.endObject();
}

void write(JsonWriter& out, const CloudRevision& r) {
    out.beginObject();
    out.key("contentSHA256");
    out.value(r.contentSHA256);
    out.key("files");
    out.array(r.files, [&](const CloudFile& f) { write(out, f); });
    out.key("identifier");
    out.value(r.identifier);
    out.key("includesVoiceAudio");
    out.value(r.includesVoiceAudio);
    out.key("metadata");
    out.value(r.metadata);
    out.key("modifiedAt");
    out.value(r.modifiedAt);
    out.key("noteID");
    out.value(r.noteID);
    out.key("readerPDF");
    out.value(r.readerPDF);
    out.optional("readerVersion", r.readerVersion);
    out.optional("readerVideo", r.readerVideo);
    out.key("revision");
    out.value(r.revision);
    out.key("schemaVersion");
    out.value(r.schemaVersion);
    out.endObject();
}

void write(JsonWriter& out, const CloudReceipt& receipt) {
    out.beginObject();
    out.key("manifest");
    write(out, receipt.manifest);
    out.key("revision");
    write(out, receipt.revision);
    out.endObject();
}

CloudFile decodeFile(const JsonObjectNode& o) {
    return {o.required(QStringLiteral("path")).toString(),
            o.required(QStringLiteral("sha256")).toString(),
            o.required(QStringLiteral("bytes")).toInt64()};
}

CloudRevision decodeRevision(const JsonObjectNode& o) {
    CloudRevision r;
    r.schemaVersion = o.required(QStringLiteral("schemaVersion")).toInt64();
    r.noteID = o.required(QStringLiteral("noteID")).toId();
    r.revision = o.required(QStringLiteral("revision")).toInt64();
    r.identifier = o.required(QStringLiteral("identifier")).toString();
    r.contentSHA256 = o.required(QStringLiteral("contentSHA256")).toString();
    r.modifiedAt = o.required(QStringLiteral("modifiedAt")).toDouble();
    r.includesVoiceAudio = o.required(QStringLiteral("includesVoiceAudio")).toBool();
    r.metadata = o.required(QStringLiteral("metadata")).toString();
    r.readerPDF = o.required(QStringLiteral("readerPDF")).toString();
    r.readerVideo =
        o.optionalOf(QStringLiteral("readerVideo"), [](const JsonNode& n) { return n.toString(); });
    r.files = o.required(QStringLiteral("files")).toArrayOf([](const JsonNode& n) {
        return decodeFile(n.toObject());
    });
    r.readerVersion = o.optionalOf(QStringLiteral("readerVersion"),
                                   [](const JsonNode& n) { return n.toInt64(); });
    return r;
}

CloudReceipt decodeReceipt(const JsonObjectNode& o) {
    return {decodeRevision(o.required(QStringLiteral("revision")).toObject()),
            decodeFile(o.required(QStringLiteral("manifest")).toObject())};
}

QByteArray encode(const CloudRevision& revision) {
    JsonWriter out(JsonWriter::Style::Pretty);
    write(out, revision);
    return out.take();
}

QByteArray encode(const CloudReceipt& receipt) {
    JsonWriter out(JsonWriter::Style::Pretty);
    write(out, receipt);
    return out.take();
}

CloudRevision decodeRevision(const QByteArray& bytes) {
    try {
        return decodeRevision(parseJsonObject(bytes));
    } catch (const LumbexError&) {
        fail(CloudMessages::unsupported);
    }
}

} // namespace CloudCoding
} // namespace lumbex
