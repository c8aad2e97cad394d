#pragma once

#include "core/dates.h"
#include "core/ids.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace lumbex {

class JsonWriter;
class JsonObjectNode;

// One file of a revision in the sync folder, relative to the folder's root.
struct CloudFile {
    QString path;
    QString sha256;
    qint64 bytes = 0;

    friend bool operator==(const CloudFile&, const CloudFile&) = default;
};

// The manifest of one immutable revision of a note in the sync folder.
struct CloudRevision {
    static constexpr int currentReaderVersion = 2;

    qint64 schemaVersion = 1;
    Id noteID;
    qint64 revision = 0;
    QString identifier;
    QString contentSHA256;
    Date modifiedAt = 0;
    bool includesVoiceAudio = false;
    QString metadata;
    QString readerPDF;
    std::optional<QString> readerVideo;
    std::vector<CloudFile> files;
    std::optional<qint64> readerVersion;

    friend bool operator==(const CloudRevision&, const CloudRevision&) = default;

    // Throws LumbexError with the first failing rule's message.
    void validate() const;
    // "Notes/<NOTE>.capturenote"
    QString noteFolder() const { return noteFolderPath(noteID); }
    QString manifestPath() const;
    QString currentNotePath() const;
    const CloudFile* file(const QString& path) const;

    static QString noteFolderPath(const Id& noteID);
    // SHA-256 over the metadata bytes, the voice byte and the reader version text.
    static QString contentHash(const QByteArray& metadata, bool includesVoiceAudio,
                               std::optional<qint64> readerVersion);
    // "r<revision>-<first 12 of the hash>"
    static QString makeIdentifier(qint64 revision, const QString& contentSHA256);
};

// What this computer trusts about the last revision it published or accepted.
struct CloudReceipt {
    CloudRevision revision;
    CloudFile manifest;

    friend bool operator==(const CloudReceipt&, const CloudReceipt&) = default;

    // The manifest, the current pointer (with the metadata's digest) and every listed file.
    // Throws "The saved cloud receipt is incomplete…" on any fault.
    std::vector<CloudFile> requiredFiles() const;
};

namespace CloudCoding {
void write(JsonWriter& out, const CloudFile& file);
void write(JsonWriter& out, const CloudRevision& revision);
void write(JsonWriter& out, const CloudReceipt& receipt);
CloudFile decodeFile(const JsonObjectNode& object);
CloudRevision decodeRevision(const JsonObjectNode& object);
CloudReceipt decodeReceipt(const JsonObjectNode& object);

// Pretty printed, keys sorted.
QByteArray encode(const CloudRevision& revision);
QByteArray encode(const CloudReceipt& receipt);
// Any decoding fault answers the unsupported-format message.
CloudRevision decodeRevision(const QByteArray& bytes);
} // namespace CloudCoding

// True for exactly 64 hexadecimal digits.
bool isSHA256Text(const QString& text);

} // namespace lumbex
