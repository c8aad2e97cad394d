#pragma once

#include "cloud/cloud_store.h"
#include "cloud/prepared_revision.h"

#include <functional>
#include <optional>

namespace lumbex::cli {

// The reader files of published revisions made on this computer: the review PDF and images, and
// the MP4 of a screen recording through FFmpeg.
ReaderFileWriters platformReaderWriters();

// Upload progress from the user's running Syncthing (its REST API), for folders it keeps in sync.
UploadProgress syncthingUploadProgress();
// Asks the user's running Syncthing to rescan the folders holding these files.
std::function<void(const QString& folder, const QStringList& files)> syncthingDownloadRequest();

// Who this computer syncs a folder as: the running Syncthing's device ID, the Nextcloud or
// ownCloud account, else a value derived from the folder (platform/sync_account.h).
std::function<std::optional<QString>(const QString& folder)> syncAccountLookup();

} // namespace lumbex::cli
