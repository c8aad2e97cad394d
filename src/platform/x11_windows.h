#pragma once

#include "platform/screen_grabber.h"
#include "platform/x11_connection.h"

namespace lumbex::x11 {

// The visible application windows, front-most first. With an EWMH window manager they come from
// its client list in stacking order, framed by the decorations it reports; without one, from the
// root window's mapped children (override-redirect menus and tool tips left out). Desktop and
// dock windows are not application windows and are left out too.
std::vector<ScreenWindow> readWindows(const Connection& connection);

} // namespace lumbex::x11
