#include "canvas/gesture_rules.h"

#include <array>
#include <cmath>
#include <numbers>

namespace lumbex {
namespace {

constexpr double kMinimumSide = 3;
constexpr double kMinimumCropSide = 2;
constexpr double kTextClickWidth = 40;
constexpr Point kTextClickBox{240, 64};
constexpr double kVoiceDragViewPoints = 4;

bool boxed(MarkKind kind) {
    switch (kind) {
    case MarkKind::Rectangle:
    case MarkKind::Ellipse:
    case MarkKind::Highlight:
    case MarkKind::Redact:
    case MarkKind::Magnify:
        return true;
    default:
        return false;
    }
}

Point squared(Point start, Point point) {
    const double side = std::min(std::abs(point.x - start.x), std::abs(point.y - start.y));
    return {start.x + std::copysign(side, point.x - start.x),
            start.y + std::copysign(side, point.y - start.y)};
}

// The eight compass directions, exact, so that a snapped horizontal line stays exactly level.
Point direction(long octant) {
    constexpr double d = std::numbers::sqrt2 / 2;
    static constexpr std::array<Point, 8> directions{
        {{1, 0}, {d, d}, {0, 1}, {-d, d}, {-1, 0}, {-d, -d}, {0, -1}, {d, -d}}};
    return directions[size_t(((octant % 8) + 8) % 8)];
}

// The largest part (0…1) of `v` that keeps start + v inside `area`, for a start inside it.
double fractionInside(Point start, Point v, const Rect& area) {
    double fraction = 1;
    const auto limit = [&](double from, double delta, double low, double high) {
        if (delta > 0)
            fraction = std::min(fraction, (high - from) / delta);
        else if (delta < 0)
            fraction = std::min(fraction, (low - from) / delta);
    };
    limit(start.x, v.x, area.minX(), area.maxX());
    limit(start.y, v.y, area.minY(), area.maxY());
    return std::max(fraction, 0.0);
}

bool inside(const Rect& area, Point p) {
    return p.x >= area.minX() && p.x <= area.maxX() && p.y >= area.minY() && p.y <= area.maxY();
}

Point snapped(Point start, Point point, const std::optional<Rect>& crop) {
    const double dx = point.x - start.x, dy = point.y - start.y;
    const double length = std::hypot(dx, dy);
    if (length == 0)
        return point;
    // std::lround rounds halves away from zero: 22.5° goes to 45°, −22.5° to −45°.
    const long octant = std::lround(std::atan2(dy, dx) / (std::numbers::pi / 4));
    const Point unit = direction(octant);
    Point v{unit.x * length, unit.y * length};
    if (crop && inside(*crop, start)) {
        const double fraction = fractionInside(start, v, *crop);
        v = {v.x * fraction, v.y * fraction};
    }
    return start + v;
}

} // namespace

Mark newDraft(CanvasTool tool, const Id& mediaID, Point at, const DrawingDefaults& defaults) {
    Mark mark;
    mark.id = newId();
    mark.mediaID = mediaID;
    mark.kind = toolInfo(tool).kind.value_or(MarkKind::Rectangle);
    mark.start = at;
    mark.end = at;
    mark.color = defaults.color;
    mark.lineWidth = defaults.lineWidth;
    if (mark.kind == MarkKind::Freehand)
        mark.points = std::vector<Point>{at};
    if (mark.kind == MarkKind::Highlight)
        mark.opacity = defaults.highlightOpacity;
    if (mark.kind == MarkKind::Magnify)
        mark.magnification = defaults.magnification;
    return mark;
}

Point shiftConstrained(MarkKind kind, Point start, Point point, const std::optional<Rect>& crop) {
    if (boxed(kind))
        return squared(start, point);
    if (kind == MarkKind::Arrow || kind == MarkKind::Line)
        return snapped(start, point, crop);
    return point;
}

Point measureConstrained(Point start, Point point) {
    if (std::abs(point.x - start.x) >= std::abs(point.y - start.y))
        return {point.x, start.y};
    return {start.x, point.y};
}

void settleFreehand(Mark& mark) {
    if (mark.kind != MarkKind::Freehand || !mark.points || mark.points->empty())
        return;
    const Rect box = mark.rect();
    mark.start = box.origin();
    mark.end = {box.maxX(), box.maxY()};
}

CreationOutcome finishCreation(CanvasTool tool, Mark draft) {
    settleFreehand(draft);
    const Rect rect = draft.rect();
    const double smaller = std::min(rect.width, rect.height);
    const double larger = std::max(rect.width, rect.height);
    using Action = CreationOutcome::Action;

    if (tool == CanvasTool::Crop) {
        if (rect.width >= kMinimumCropSide && rect.height >= kMinimumCropSide)
            return {Action::SetCrop, draft, rect.roundedOut()};
        return {Action::Discard, draft, {}};
    }
    if (draft.kind == MarkKind::Text) {
        if (rect.width < kTextClickWidth)
            draft.end = draft.start + kTextClickBox;
        return {Action::AddText, draft, {}};
    }
    const bool needsArea = draft.kind == MarkKind::Ellipse || draft.kind == MarkKind::Highlight ||
                           draft.kind == MarkKind::Magnify;
    if (needsArea && smaller < kMinimumSide)
        return {Action::Discard, draft, {}};
    if (draft.kind != MarkKind::Pointer && larger < kMinimumSide)
        return {Action::Discard, draft, {}};
    if (draft.kind == MarkKind::Magnify)
        draft.magnificationCenter = rect.center();
    return {Action::AddMark, draft, {}};
}

bool definesVoiceLocation(const Mark& draft, double zoom) {
    const Rect rect = draft.rect();
    return std::max(rect.width, rect.height) * zoom >= kVoiceDragViewPoints;
}

std::optional<Rect> textRecognitionRegion(const Mark& draft) {
    const Rect rect = draft.rect();
    if (rect.width >= kMinimumCropSide && rect.height >= kMinimumCropSide)
        return rect;
    return std::nullopt;
}

} // namespace lumbex
