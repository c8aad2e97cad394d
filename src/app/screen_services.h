#pragma once

#include "platform/screen_grabber.h"

#include <memory>

namespace lumbex {

// The screen reader for this session, chosen once: the desktop portal in a Wayland session, the
// X11 one when DISPLAY names a server that answers, otherwise one that explains why capturing is
// unavailable (see screenSessionFor). LUMBEX_SCREEN=unavailable forces the latter, so that tests
// can see that path on a machine with a display.
std::unique_ptr<ScreenGrabber> openScreenGrabber();

// Why the desktop application cannot show its windows here (no Wayland socket and no DISPLAY, or
// a display that does not answer), or empty when it can.
QString graphicalSessionProblem();

} // namespace lumbex
