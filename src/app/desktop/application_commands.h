#pragma once

#include "app/commands/command_registry.h"
#include "platform/screen_grabber.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace lumbex {

class CaptureController;
class CaptureSettings;
class RecordingController;
class ScrollCaptureUI;

// What the application's own commands act on; everything must outlive the commands.
struct ApplicationServices {
    CaptureController& captures;
    RecordingController& recording;
    // "Record Screen…": the dialog, then the attempt.
    std::function<void()> record;
    // "Recover Recording…".
    std::function<void()> recover;
    ScrollCaptureUI& scrolling;
    CaptureSettings& captureSettings;
    const ScreenGrabber& screen;
    // Where "Open…" starts.
    QString libraryFolder;
    // Opens packages and image files, or the sample note for "--fixture".
    std::function<void(const QStringList& arguments)> open;
    std::function<void()> newFromClipboard;
    std::function<void()> presentOnboarding;
    std::function<void()> quit;
    // Shows the Recently Deleted window.
    std::function<void()> showDeletedNotes = {};
    // Shows the Saved Notes window.
    std::function<void()> showLibrary = {};
    // "Capture Shortcuts…" and "Set Voice Shortcut…"; each item stays disabled without its own.
    std::function<void()> editCaptureShortcuts = {};
    std::function<void()> editVoiceShortcut = {};
};

// "Capture Window…" as a screen with these capabilities offers it: Lumbex's window picker (X11),
// the desktop's own dialog (a Wayland portal that shares windows), or off with the X11 note.
struct WindowCaptureItem {
    QString label;
    bool enabled = false;
};
WindowCaptureItem windowCaptureItem(ScreenCapabilities can);

// The commands of the status menu and of the application's menus in every editor window:
// captures, screen recording, opening notes, the saved notes window, Recently Deleted and help.
std::vector<Command> applicationCommands(const ApplicationServices& services);

} // namespace lumbex
