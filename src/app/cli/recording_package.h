#pragma once

#include "model/note_document.h"
#include "recording/recording_export.h"

namespace lumbex::cli {

// The note's screen recording; throws "This note has no screen recording." without one.
const ScreenRecording& noteRecording(const NoteDocument& document);

// The folder of the note's segment files; they are read from one folder.
QString recordingDirectory(const NoteDocument& document);

// FFmpeg's encoders and decoders for exports.
RecordingExportMedia platformExportMedia();

} // namespace lumbex::cli
