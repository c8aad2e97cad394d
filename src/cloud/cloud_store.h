#pragma once

#include "cloud/cloud_revision.h"
#include "cloud/prepared_revision.h"
#include "platform/sync_folders.h"

#include <QString>
#include <functional>
#include <variant>

namespace lumbex {

// What the sync client reports for the files of a receipt.
struct CloudUploadState {
    enum class Kind { Uploading, Failed, Waiting, Uploaded, Saved, DownloadRequired, Changed };
    Kind kind = Kind::Waiting;
    int done = 0;
    int total = 0;
    QString message;

    friend bool operator==(const CloudUploadState&, const CloudUploadState&) = default;

    QString label() const;
    bool requiresAttention() const;
};

// Upload progress from a sync client that can tell (Syncthing's REST interface): for the files at
// these absolute paths, how many the other devices hold; none when the client cannot tell.
using UploadProgress = std::function<std::optional<std::pair<int, int>>(const QString& root,
                                                                        const QStringList& files)>;

// Everything done in a sync folder: checking it, publishing into it, reading its state and
// importing from it. Every function throws LumbexError with the user-facing message.
namespace CloudStore {

// The folder must exist and be kept in sync by a recognised client.
SyncFolder checkFolder(const QString& folder);
// Refuses an item (a note's package folder, or a reader file) that the client holds in conflict
// or has not downloaded.
void requireLocal(const QString& item);
// The item that `path` belongs to: the note's package folder for paths inside it, else the file.
QString itemOf(const QString& root, const QString& path);

// Publishes the prepared revision with the conflict rule: the previous receipt's files must be
// exactly in place, the current pointer must equal the new or the previous metadata (or, with no
// previous receipt, may be missing), and the pointer is written last. Returns the new receipt.
// `placed`, when given, hears the path of every file right after it is in place.
CloudReceipt publish(const PreparedCloudRevision& prepared, const QString& folder,
                     const std::optional<CloudReceipt>& previous,
                     const std::function<void(const QString&)>& placed = {});

// The state of a published receipt's files.
CloudUploadState status(const QString& folder, const CloudReceipt& receipt,
                        const UploadProgress& progress = {});

// Installs a verified cloud revision, or a cloud package folder, as a new local note in `library`;
// returns the new package. The cloud files are never changed.
QString importRevision(const QString& manifest, const QString& library);
QString importPackage(const QString& cloudPackage, const QString& library);

} // namespace CloudStore
} // namespace lumbex
