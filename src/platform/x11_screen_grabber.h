#pragma once

#include "platform/screen_grabber.h"

#include <QByteArray>
#include <memory>

namespace lumbex {

// Connects to the X server named `displayName` (DISPLAY when empty) and reads its screen: RandR
// for the displays, the window manager's client list for windows, MIT-SHM for whole displays,
// GetImage for areas and XFixes for the pointer. Throws LumbexError when the server cannot be
// reached.
std::unique_ptr<ScreenGrabber> connectX11ScreenGrabber(const QByteArray& displayName);

} // namespace lumbex
