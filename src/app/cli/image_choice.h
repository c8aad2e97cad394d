#pragma once

#include "records/capture_note.h"

namespace lumbex::cli {

// The image named by its position from 1 or by its id. Throws LumbexError for an image the note
// does not have, UsageError for words that are neither (an empty word included).
const Media& chooseImage(const CaptureNote& note, const QString& which);
// The image with the id `which`; the same failures.
const Media& imageWithId(const CaptureNote& note, const QString& which);
// The note's first image; throws LumbexError when it has none.
const Media& firstImage(const CaptureNote& note);

} // namespace lumbex::cli
