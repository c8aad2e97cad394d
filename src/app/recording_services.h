#pragma once

#include "recording/screen_recorder.h"

#include <QString>

class QSettings;

namespace lumbex {

class NoteLibrary;
class ScreenGrabber;

// The recorder's real services: the X11 screen of $DISPLAY, PulseAudio, FFmpeg movies and the
// host clock. `screen` must outlive the recorder.
RecorderServices systemRecorderServices(ScreenGrabber& screen);

// Makes a stopped recorder's folder a note through `library` (at `packagePath`, by default in the
// library): its segments move into the package's video folder, then the recording folder goes,
// unless its journal reports a problem: then it stays, remembered as reviewed in `settings`.
// Returns the package; throws LumbexError, leaving the folder for recovery.
QString saveRecordingNote(const ScreenRecorder& recorder, NoteLibrary& library, QSettings& settings,
                          const QString& packagePath = {});

} // namespace lumbex
