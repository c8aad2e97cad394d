#include "capture/capture_coordinates.h"

#include "core/error.h"
#include "geometry/mark_geometry.h"

#include <algorithm>

namespace lumbex {
namespace {

const CaptureDisplay* mainDisplay(const std::vector<CaptureDisplay>& displays) {
    const auto main =
        std::find_if(displays.begin(), displays.end(), [](const auto& d) { return d.isMain; });
    return main == displays.end() ? nullptr : &*main;
}

// Rectangles that only touch along an edge do not share any pixel.
bool overlaps(const Rect& a, const Rect& b) {
    return a.minX() < b.maxX() && b.minX() < a.maxX() && a.minY() < b.maxY() && b.minY() < a.maxY();
}

} // namespace

Rect quartzRect(const Rect& rect, const std::vector<CaptureDisplay>& displays) {
    const CaptureDisplay* main = mainDisplay(displays);
    if (!main || !rect.isFinite())
        throw LumbexError(QStringLiteral("The display setup changed. Select an area again."));
    const Rect r = rect.standardized();
    return Rect{r.x - main->cocoaFrame.x + main->quartzFrame.x,
                r.y - main->cocoaFrame.y + main->quartzFrame.y, r.width, r.height}
        .roundedOut();
}

std::optional<Rect> cocoaRect(const Rect& rect, const std::vector<CaptureDisplay>& displays) {
    const CaptureDisplay* main = mainDisplay(displays);
    if (!main)
        return std::nullopt;
    const Rect r = rect.standardized();
    return Rect{r.x - main->quartzFrame.x + main->cocoaFrame.x,
                r.y - main->quartzFrame.y + main->cocoaFrame.y, r.width, r.height};
}

std::vector<CaptureDisplay> sortedDisplays(std::vector<CaptureDisplay> displays) {
    std::stable_sort(displays.begin(), displays.end(),
                     [](const auto& a, const auto& b) { return a.id < b.id; });
    return displays;
}

CaptureRegion makeCaptureRegion(const Rect& rect, const std::vector<CaptureDisplay>& displays) {
    CaptureRegion region{quartzRect(rect, displays), sortedDisplays(displays)};
    validateRegion(region, region.displays);
    return region;
}

void validateRegion(const CaptureRegion& region, const std::vector<CaptureDisplay>& displays) {
    if (region.displays != displays)
        throw LumbexError(
            QStringLiteral("The display setup changed. Select an area again before repeating it."));
    const Rect& rect = region.rect;
    if (!rect.isFinite() || rect.width < 2 || rect.height < 2)
        throw LumbexError(QStringLiteral("Select an area at least 2 × 2 points."));

    std::optional<Rect> bounds;
    double scale = 0;
    for (const CaptureDisplay& display : displays) {
        bounds = bounds ? bounds->united(display.quartzFrame) : display.quartzFrame;
        if (overlaps(rect, display.quartzFrame))
            scale = std::max(scale, display.scale);
    }
    if (scale == 0 || !bounds->contains(rect))
        throw LumbexError(QStringLiteral(
            "The saved area is outside the connected displays. Select an area again."));
    validateSize({0, 0, rect.width * scale, rect.height * scale});
}

} // namespace lumbex
