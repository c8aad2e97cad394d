#pragma once

#include "capture/capture_ports.h"

#include <memory>

namespace lumbex {

class ScreenGrabber;

// The windows the capture controller talks to: the picker overlay and the countdown panel.
struct CaptureWindows {
    std::unique_ptr<CapturePicker> picker;
    std::unique_ptr<CaptureCountdown> countdown;
};
CaptureWindows makeCaptureWindows(ScreenGrabber& screen);

} // namespace lumbex
