#pragma once

#include "capture/capture_selection.h"
#include "capture/capture_shot.h"

#include <functional>
#include <optional>

class QObject;

namespace lumbex {

// The seams between the capture controller and the windows around it. The application gives the
// controller one implementation of each; tests give it fakes. All calls come on the GUI thread.

// What the picker offers: windows to click (window mode) or an area to drag.
struct PickerRequest {
    bool chooseWindow = false;
    std::vector<CaptureDisplay> displays;
    std::vector<CaptureWindow> windows; // front-most first
};

// The overlay in which the user chooses what to capture.
class CapturePicker {
public:
    virtual ~CapturePicker() = default;
    // Shows the picker over every display; `completion` runs exactly once, with the confirmed
    // selection or with nothing when the user cancels or `cancel` is called.
    virtual void present(const PickerRequest& request,
                         std::function<void(std::optional<CaptureSelection>)> completion) = 0;
    // Closes a picker that is showing; nothing otherwise.
    virtual void cancel() = 0;
};

// The "Timed Capture" panel counting down before the picture is taken.
class CaptureCountdown {
public:
    virtual ~CaptureCountdown() = default;
    // `completion` runs once: true when the time is up, false when the user cancelled.
    virtual void start(int seconds, std::function<void(bool finished)> completion) = 0;
    // Closes a running countdown without calling its completion; nothing otherwise.
    virtual void cancel() = 0;
};

// A finished capture on its way to a note.
struct CaptureDelivery {
    CaptureShot shot;
    CaptureSelection selection;
    QString name; // "Capture <date> at <time>": the new note's title and the image's name
};

// The application around a capture: its own windows, feedback, and where captures go.
class CaptureShell {
public:
    virtual ~CaptureShell() = default;
    // Whether the application is the active one (so that it is activated again afterwards).
    virtual bool isActive() const = 0;
    // Closes the clipboard toast and an open quick-capture panel.
    virtual void closeTransientPanels() = 0;
    // Hides the application's visible windows so that they stay out of the picture, remembering
    // them; restoreWindows shows the remembered ones again (activating the application when
    // `activate`) and forgets them.
    virtual void hideWindows() = 0;
    virtual void restoreWindows(bool activate) = 0;
    // The system beep: a second capture while one runs, for example.
    virtual void beep() = 0;
    // Shows a failure (with the standard error presentation), after the windows are back.
    virtual void showError(const QString& message) = 0;

    // "Capture and Explain": a new note document in an editor window.
    virtual void openInEditor(const CaptureDelivery& capture) = 0;
    // "Capture into This Note…": the image added to `editor`, which is still open.
    virtual void addToEditor(QObject* editor, const CaptureDelivery& capture) = 0;
    // "Quick Capture": a new note shown in the quick-capture panel beside the captured area.
    virtual void showQuickCapture(const CaptureDelivery& capture) = 0;
};

} // namespace lumbex
