#pragma once

#include "records/capture_note.h"

#include <vector>

namespace lumbex::fuzz {

// Valid notes the corpus is mutated from: an empty one, a small one, and one that sets every
// optional field at the newest format level. Identifiers and dates are fixed, so the encoded
// bytes are the same on every run.
std::vector<CaptureNote> seedNotes();

} // namespace lumbex::fuzz
