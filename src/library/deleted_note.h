#pragma once

#include "core/dates.h"
#include "core/ids.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>
#include <vector>

namespace lumbex {

// One deletion of a note, kept as "record.json" in the deletion's folder. Every step of the
// deletion or of a restore is written down here before and after it runs, so that an interrupted
// job resumes from the record instead of guessing from the files.
struct DeletedNote {
    int schemaVersion = 1;
    // The deletion's own identity (it names its folder), not the note's.
    Id id;
    Id noteID;
    QString title;
    Date deletedAt = 0;
    // Where the package was: an absolute, cleaned path (stored as a file URL).
    QString originalURL;
    // SHA-256 of the package's note.json at deletion.
    QString metadataSHA256;
    // The note's sync connection at deletion, kept exactly as read: this build does not sync.
    std::optional<QJsonObject> cloudBinding;
    bool removeCloudCopies = false;
    bool localArchived = false;
    std::optional<std::vector<QString>> cloudPaths;
    bool cloudArchived = false;
    bool restoring = false;
    // Where the package is being restored to (a path, stored as a file URL).
    std::optional<QString> restoredURL;
    bool restoredMetadata = false;
    std::optional<QString> restoredSHA256;
    bool expiredToTrash = false;
    std::optional<QString> error;

    // Thirty days after the deletion started.
    Date expiresAt() const;
    // Where the synced copies wait in the sync folder: "Recently Deleted/<ID>".
    QString cloudArchivePath() const;
    // A receipt in the sync binding means copies already exist in the sync folder.
    bool hasCloudReceipt() const;

    bool operator==(const DeletedNote&) const = default;
};

inline constexpr double kDeletedNoteLifetimeSeconds = 2'592'000.0;
// A record of this size or more is not read.
inline constexpr qint64 kDeletedNoteRecordLimit = 1'048'576;

// record.json: pretty-printed, keys sorted, absent optionals left out, dates as seconds since
// 2001-01-01, file URLs as "file://…" strings.
QByteArray encodeDeletedNote(const DeletedNote& entry);
// Throws LumbexError naming the offending key when the JSON does not hold a record.
DeletedNote decodeDeletedNote(const QByteArray& bytes);

// "file://" and the path's bytes percent-encoded ("/" kept), and back. The reverse answers none
// for anything that is not an absolute local file URL.
QString fileURLString(const QString& path);
std::optional<QString> pathOfFileURL(const QString& url);

} // namespace lumbex
