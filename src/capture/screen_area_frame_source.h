#pragma once

#include "capture/capture_selection.h"
#include "capture/scroll_frame_source.h"
#include "platform/screen_grabber.h"

namespace lumbex {

// The scrolling area read from the real screen. Every grab first checks that the displays are
// still the ones the area was chosen on, so that a change of the display setup stops the capture
// at the next grab.
class ScreenAreaFrameSource final : public ScrollFrameSource {
public:
    // `screen` must outlive the source.
    ScreenAreaFrameSource(ScreenGrabber& screen, CaptureRegion region);

    // Throws "The display setup changed. The captured part has been kept." when the displays
    // changed, "Keep the scrolling area on one display." when the area does not lie wholly on one
    // of them, or the screen's own message when it cannot be read.
    QImage grab() override;

private:
    ScreenGrabber& screen_;
    CaptureRegion region_;
};

} // namespace lumbex
