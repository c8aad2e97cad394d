#pragma once

#include "platform/portal_screen_cast.h"
#include "platform/screen_grabber.h"

#include <QDBusConnection>

namespace lumbex {

// One picture of a window the person chooses in the portal's own dialog: a ScreenCast session for
// one window (asked anew every time, pointer left out), read until its first whole picture, then
// closed. Runs local event loops while the portal's dialog waits for the person (minutes at most),
// then waits `pictureMs` for the picture. The grab's origin is the window's position where the
// portal tells it. Throws LumbexError: an isCancelledChoice one when the person cancels the dialog,
// a plain one when the portal fails or no picture arrives.
ScreenGrab grabPortalWindow(QDBusConnection bus, const ScreenCastOffer& offer,
                            int pictureMs = 10'000);

} // namespace lumbex
