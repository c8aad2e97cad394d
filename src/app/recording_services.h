#pragma once

#include "recording/screen_recorder.h"

#include <QString>

class QSettings;

namespace lumbex {

class NoteLibrary;
class ScreenGrabber;

// The recorder's real services: the X11 screen of $DISPLAY (in a Wayland session, the desktop
// portal's screen sharing, whose grant is kept in the settings so that the person chooses once;
// `chooseAgain` lets the portal ask anew; a window, where the portal shares windows, is chosen in
// its dialog for every recording), PulseAudio, FFmpeg movies and the host clock.
// `screen` must outlive the recorder. `cursor` is the recording's choice, which the portal needs
// when a window is granted, before the recorder's screen opens.
RecorderServices systemRecorderServices(ScreenGrabber& screen, bool chooseAgain = false,
                                        bool cursor = true);

// Makes a stopped recorder's folder a note through `library` (at `packagePath`, by default in the
// library): its segments move into the package's video folder, then the recording folder goes,
// unless its journal reports a problem: then it stays, remembered as reviewed in `settings`.
// Returns the package; throws LumbexError, leaving the folder for recovery.
QString saveRecordingNote(const ScreenRecorder& recorder, NoteLibrary& library, QSettings& settings,
                          const QString& packagePath = {});

// A recovered recording saved as a note.
struct RecoveredNote {
    QString package;
    ScreenRecording recording; // with its recovery kind and notice
};

// Recovers the recording folder (its files stay as they are) and saves it as a note titled
// "Recovered · " and the recording's title through `library` (at `packagePath`, by default in the
// library), then remembers the folder as reviewed in `settings`. Throws LumbexError; "Choose a
// place for the note outside the recording folder: its files are kept as they are." for a
// package inside the folder.
RecoveredNote saveRecoveredNote(const QString& folder, NoteLibrary& library, QSettings& settings,
                                const QString& packagePath = {});

} // namespace lumbex
