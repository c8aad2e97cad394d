#pragma once

#include "model/note_document.h"

namespace lumbex::cli {

// Writes the document now and waits for the save cycle to end; throws LumbexError with the
// save's message when it fails.
void saveNow(NoteDocument& document);

} // namespace lumbex::cli
