#pragma once

#include "model/note_package.h"

namespace lumbex {

// The note's screen recording; throws "This note has no screen recording." without one.
const ScreenRecording& noteRecording(const NotePackageContents& contents);

// The folder of the note's segment files, which are read from one folder. Throws the missing
// recording's message, or "The recording source files are not together. Reopen the saved note."
QString noteRecordingDirectory(const NotePackageContents& contents);

} // namespace lumbex
