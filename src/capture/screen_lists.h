#pragma once

#include "capture/capture_selection.h"
#include "platform/screen_grabber.h"

namespace lumbex {

// The displays a capture can cover, sorted stably by `id`. One point per pixel on X11; the
// display the window system calls primary is the main one.
std::vector<CaptureDisplay> captureDisplays(const std::vector<ScreenDisplay>& displays);

// The windows a capture can choose, front-most first: not this application's own
// (`ownProcess`), at least 2 × 2 points. Titled by the owning application ("Window" when it is
// unknown), then " · " and the window's own title when it has one.
std::vector<CaptureWindow> captureWindows(const std::vector<ScreenWindow>& windows,
                                          qint32 ownProcess);

// Whether a window capture goes through the desktop's own dialog (kWindowChosenInDialog) rather
// than Lumbex's window picker: the windows cannot be listed, but the desktop lets the person
// choose one.
inline bool choosesWindowInDialog(ScreenCapabilities can) {
    return can.testFlag(ScreenCapability::ChooseWindow) &&
           !can.testFlag(ScreenCapability::ReadWindows);
}

} // namespace lumbex
