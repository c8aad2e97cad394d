#pragma once

#include "cloud/prepared_revision.h"

namespace lumbex::cli {

// The reader files of published revisions made on this computer: the review PDF and images, and
// the MP4 of a screen recording through FFmpeg.
ReaderFileWriters platformReaderWriters();

} // namespace lumbex::cli
