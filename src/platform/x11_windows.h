#pragma once

#include "platform/screen_grabber.h"
#include "platform/x11_connection.h"

namespace lumbex::x11 {

// The visible application windows, front-most first. With an EWMH window manager they come from
// its client list in stacking order, framed by the decorations it reports; without one, from the
// root window's mapped children (override-redirect menus and tool tips left out). Desktop and
// dock windows are not application windows and are left out too.
std::vector<ScreenWindow> readWindows(const Connection& connection);

// Where one window is now, framed as readWindows frames it.
struct WindowPlacement {
    QRect frame;
    bool viewable = false;
    // Unmapped and not minimised: closed by its program (or never shown).
    bool withdrawn = false;
};

// Reads one window's placement again and again (a recorded window, every frame).
class WindowPlacementReader {
public:
    explicit WindowPlacementReader(const Connection& connection);
    // Empty when the window no longer exists.
    std::optional<WindowPlacement> read(xcb_window_t window) const;

private:
    const Connection& connection_;
    xcb_atom_t frameExtents_;
    xcb_atom_t wmState_;
};

} // namespace lumbex::x11
