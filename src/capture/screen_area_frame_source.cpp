#include "capture/screen_area_frame_source.h"

#include "capture/capture_coordinates.h"
#include "capture/screen_lists.h"
#include "core/error.h"

#include <algorithm>

namespace lumbex {

ScreenAreaFrameSource::ScreenAreaFrameSource(ScreenGrabber& screen, CaptureRegion region)
    : screen_(screen), region_(std::move(region)) {}

QImage ScreenAreaFrameSource::grab() {
    if (sortedDisplays(captureDisplays(screen_.displays())) != region_.displays)
        throw LumbexError(
            QStringLiteral("The display setup changed. The captured part has been kept."));
    const Rect& r = region_.rect;
    if (std::none_of(region_.displays.begin(), region_.displays.end(),
                     [&](const CaptureDisplay& d) { return d.quartzFrame.contains(r); }))
        throw LumbexError(QStringLiteral("Keep the scrolling area on one display."));
    return screen_.grabArea(QRect(int(r.x), int(r.y), int(r.width), int(r.height))).image;
}

} // namespace lumbex
