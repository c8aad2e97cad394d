#include "geometry/mark_geometry.h"

#include "core/error.h"
#include "geometry/text_metrics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace lumbex {
namespace {

constexpr double kMinimumTextWidth = 80;
constexpr double kMinimumTextHeight = 40;
constexpr double kBadgeSide = 26;
// A pointer's badge sits this far up and left of the point it labels.
constexpr double kPointerBadgeOffset = 24;
// How far a badge centre must stay from a crop edge so that the circle is not cut.
constexpr double kBadgeInset = 14;
constexpr double kMaximumSide = 32768;
constexpr double kMaximumPixels = 120'000'000;

Rect pointRect(Point p) {
    return {p.x, p.y, 0, 0};
}

// One axis of a pointer badge kept inside the crop: below or right of the anchor when there is no
// room before it, then clamped, or centred when the crop is too small to hold the badge.
double keepInside(double anchor, double centre, double cropMin, double cropMax) {
    if (centre - kBadgeInset < cropMin)
        centre = anchor + kPointerBadgeOffset;
    if (cropMax - cropMin < 2 * kBadgeInset)
        return (cropMin + cropMax) / 2;
    return std::clamp(centre, cropMin + kBadgeInset, cropMax - kBadgeInset);
}

} // namespace

double textSize(const Mark& mark) {
    return std::max(6 * mark.lineWidth, 16.0);
}

Rect textRect(const Mark& mark) {
    const Rect r = mark.rect();
    const double wrapWidth = std::max(r.width, kMinimumTextWidth);
    const double textHeight =
        std::ceil(measureText(mark.text, annotationFont(textSize(mark)), wrapWidth).height());
    return {r.minX(), r.minY(), wrapWidth, std::max({textHeight, r.height, kMinimumTextHeight})};
}

std::array<Point, 2> arrowWings(const Mark& mark) {
    const double angle = std::atan2(mark.end.y - mark.start.y, mark.end.x - mark.start.x);
    const double length = std::max(4 * mark.lineWidth, 12.0);
    const auto wing = [&](double a) {
        return Point{mark.end.x - length * std::cos(a), mark.end.y - length * std::sin(a)};
    };
    return {wing(angle - std::numbers::pi / 6), wing(angle + std::numbers::pi / 6)};
}

Rect badgeRect(const Mark& mark, const std::optional<Rect>& crop) {
    const Point anchor = mark.kind == MarkKind::Arrow ? mark.start : mark.rect().origin();
    if (mark.kind != MarkKind::Pointer)
        return Rect::centered(anchor, kBadgeSide, kBadgeSide);
    Point centre = anchor - Point{kPointerBadgeOffset, kPointerBadgeOffset};
    if (crop && crop->contains(anchor)) {
        centre.x = keepInside(anchor.x, centre.x, crop->minX(), crop->maxX());
        centre.y = keepInside(anchor.y, centre.y, crop->minY(), crop->maxY());
    }
    return Rect::centered(centre, kBadgeSide, kBadgeSide);
}

Rect drawnBounds(const Mark& mark, bool numbered, const std::optional<Rect>& crop) {
    if (mark.kind == MarkKind::Redact)
        return mark.rect().roundedOut();
    Rect bounds = mark.kind == MarkKind::Text ? textRect(mark) : mark.rect();
    if (mark.kind == MarkKind::Arrow)
        for (const Point& wing : arrowWings(mark))
            bounds = bounds.united(pointRect(wing));
    const double outset =
        mark.kind == MarkKind::Highlight ? 1 : std::max(mark.lineWidth * 0.5 + 1, 1.0);
    bounds = bounds.outset(outset);
    if (mark.kind == MarkKind::Magnify) {
        const double side = 2 * outset + 8;
        bounds = bounds.united(Rect::centered(mark.sourceCenter(), side, side));
    }
    if (numbered)
        bounds = bounds.united(badgeRect(mark, crop).outset(1));
    return bounds;
}

Rect outputRect(const Media& media, const std::vector<Mark>& marks, const MarkNumbers& numbers) {
    Rect output = media.visibleRect();
    if (!media.crop)
        for (const Mark& mark : marks)
            output = output.united(drawnBounds(mark, numbers.contains(mark.id), std::nullopt));
    if (media.background)
        output = output.outset(media.background->padding);
    return output.roundedOut();
}

void validateSize(const Rect& rect) {
    const bool usable = rect.isFinite() && rect.width > 0 && rect.height > 0 &&
                        rect.width <= kMaximumSide && rect.height <= kMaximumSide &&
                        rect.width * rect.height <= kMaximumPixels;
    if (!usable)
        throw LumbexError(QStringLiteral(
            "The expanded image is too large. Move the outer annotation closer or reduce the "
            "background padding (120 megapixels maximum)."));
}

} // namespace lumbex
