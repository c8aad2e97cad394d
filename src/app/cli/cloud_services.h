#pragma once

#include "cloud/cloud_store.h"
#include "cloud/prepared_revision.h"

namespace lumbex::cli {

// The reader files of published revisions made on this computer: the review PDF and images, and
// the MP4 of a screen recording through FFmpeg.
ReaderFileWriters platformReaderWriters();

// Upload progress from the user's running Syncthing (its REST API), for folders it keeps in sync.
UploadProgress syncthingUploadProgress();

} // namespace lumbex::cli
