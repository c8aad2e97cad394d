#pragma once

#include "records/screen_recording.h"

#include <QString>

namespace lumbex {

// Digest of the whole recording: changes with any edit. "invalid" if it cannot be encoded.
QString editKey(const ScreenRecording& recording);
// Digest of what frames look like: changes only with segments, crop or redactions.
QString visualKey(const ScreenRecording& recording);

} // namespace lumbex
