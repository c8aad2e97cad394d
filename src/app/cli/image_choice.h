#pragma once

#include "records/capture_note.h"

namespace lumbex::cli {

// The image named by its position from 1 or by its id; the first image when `which` is empty.
// Throws LumbexError for an image the note does not have, UsageError for words that are neither.
const Media& chooseImage(const CaptureNote& note, const QString& which);

} // namespace lumbex::cli
