#pragma once

#include "core/error.h"
#include "platform/portal_screenshot.h"

#include <QFlags>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>
#include <cerrno>
#include <optional>
#include <vector>

namespace lumbex {

// Screen geometry here is in the window system's root coordinates: device pixels, origin at the
// top left of the whole desktop, y growing downward.

// One connected monitor.
struct ScreenDisplay {
    QString name;     // the output's name ("DP-1", "screen"), stable while it stays connected
    QRect geometry;   // the part of the desktop it shows
    int rotation = 0; // degrees: 0, 90, 180 or 270
    bool primary = false;

    friend bool operator==(const ScreenDisplay&, const ScreenDisplay&) = default;
};

// One top-level application window as the window manager presents it.
struct ScreenWindow {
    quint32 id = 0;       // the application's own window (what `xdotool` and `xwininfo` report)
    qint32 processID = 0; // 0 when the application does not say
    QString title;        // empty when it has none
    QString owner;        // the application's class name ("Firefox"), empty when unknown
    QRect frame;          // including the decorations the window manager draws around it

    friend bool operator==(const ScreenWindow&, const ScreenWindow&) = default;
};

// The mouse pointer's image: premultiplied ARGB, its hot spot inside the image, and where the hot
// spot is on the desktop.
struct CursorImage {
    QImage image;
    QPoint hotspot;
    QPoint position;
};

// Pixels read from the screen and the desktop position of their top-left corner.
struct ScreenGrab {
    QImage image; // sRGB, Format_RGB32
    QPoint origin;
};

// A choice the person backed out of in the desktop's own dialog (its Cancel) fails with
// ECANCELED as the error number: a cancellation to drop quietly, not a failure to show.
inline bool isCancelledChoice(const LumbexError& error) {
    return error.systemError() == ECANCELED;
}

// What a screen grabber can do in this session. Menus and dialogs ask this rather than the
// grabber's type, so that a new kind of screen only has to answer it.
enum class ScreenCapability {
    // Displays and their pixels can be read.
    ReadScreen = 0x1,
    // Other applications' windows can be listed and read (X11; Wayland keeps them private).
    ReadWindows = 0x2,
    // The screen can be read continuously for recordings (X11, or the portal's screen sharing).
    RecordScreen = 0x4,
    // The desktop's own dialog lets the person choose a window to read once (the portal's
    // window sharing on Wayland), without the window list.
    ChooseWindow = 0x8,
};
Q_DECLARE_FLAGS(ScreenCapabilities, ScreenCapability)
Q_DECLARE_OPERATORS_FOR_FLAGS(ScreenCapabilities)

// Reads what the screen shows. Every call may block on the display server for a few
// milliseconds; calls are serialised internally, so any one thread may use it at a time or
// several in turn. Every failure, including a screen that is not available at all, throws
// LumbexError with a message that says what the user can do.
class ScreenGrabber {
public:
    virtual ~ScreenGrabber() = default;

    // Answers at once, without a round trip to the display server.
    virtual ScreenCapabilities capabilities() const = 0;

    // The connected displays in the server's order.
    virtual std::vector<ScreenDisplay> displays() = 0;
    // Visible top-level windows, front-most first.
    virtual std::vector<ScreenWindow> windows() = 0;
    // `area` must lie inside the desktop.
    virtual ScreenGrab grabArea(const QRect& area) = 0;
    // A whole display, the fastest path for full-screen captures.
    virtual ScreenGrab grabDisplay(const ScreenDisplay& display) = 0;
    // Several displays as they are at one moment, in the given order (a screen that is read as
    // one picture reads it once).
    virtual std::vector<ScreenGrab> grabDisplays(const std::vector<ScreenDisplay>& displays) {
        std::vector<ScreenGrab> grabs;
        for (const ScreenDisplay& display : displays)
            grabs.push_back(grabDisplay(display));
        return grabs;
    }
    // A window with its frame, as far as it is on the desktop. Parts covered by other windows
    // show what covers them: without a compositor nobody keeps hidden window contents.
    virtual ScreenGrab grabWindow(quint32 id) = 0;
    // A window the person chooses in the desktop's own dialog (ChooseWindow), read once; may wait
    // minutes for the choice. Throws LumbexError; a cancelled choice is an isCancelledChoice one.
    virtual ScreenGrab grabChosenWindow() { throw LumbexError(windowCaptureNeedsX11()); }
    // The pointer, or nothing when the server cannot give its image.
    virtual std::optional<CursorImage> cursor() = 0;
};

} // namespace lumbex
