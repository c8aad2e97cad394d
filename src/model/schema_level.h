#pragma once

#include "records/capture_note.h"

namespace lumbex {

// Note format levels this build reads and writes.
constexpr qint64 kOldestSchemaVersion = 1;
constexpr qint64 kNewestSchemaVersion = 8;

// The lowest format level that can hold the note's content.
qint64 minimumSchemaVersion(const CaptureNote& note);

} // namespace lumbex
