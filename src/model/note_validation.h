#pragma once

#include "records/capture_note.h"

namespace lumbex {

// Checks every stored-note rule in a fixed order and throws LumbexError with the first failing
// rule's message. Runs before every write and after every read.
void validate(const CaptureNote& note);

} // namespace lumbex
