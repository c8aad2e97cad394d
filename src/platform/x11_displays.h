#pragma once

#include "platform/screen_grabber.h"
#include "platform/x11_connection.h"

namespace lumbex::x11 {

// The active RandR outputs (one per CRTC, so mirrored outputs count once), or the whole root
// window as one display when the server has no RandR. Exactly one display is primary: the one
// RandR names, else the one at the desktop's origin, else the first.
std::vector<ScreenDisplay> readDisplays(const Connection& connection, bool hasRandr);

} // namespace lumbex::x11
