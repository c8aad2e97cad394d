#include "canvas/hit_testing.h"

#include "geometry/mark_geometry.h"

#include <cmath>

namespace lumbex {
namespace {

constexpr double kToleranceViewPoints = 8;
constexpr double kHandleViewPoints = 10;

double distanceToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    const double t =
        lengthSquared > 0
            ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared, 0.0, 1.0)
            : 0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool nearPolyline(const std::vector<Point>& line, Point p, double reach) {
    if (line.size() == 1)
        return distanceToSegment(p, line.front(), line.front()) < reach;
    for (size_t i = 1; i < line.size(); ++i)
        if (distanceToSegment(p, line[i - 1], line[i]) < reach)
            return true;
    return false;
}

bool insideEllipse(const Rect& r, Point p) {
    const Point c = r.center();
    const double a = r.width / 2, b = r.height / 2;
    if (a <= 0 || b <= 0)
        return false;
    const double u = (p.x - c.x) / a, v = (p.y - c.y) / b;
    return u * u + v * v <= 1;
}

bool hitsBody(const Mark& mark, Point p, double tolerance) {
    switch (mark.kind) {
    case MarkKind::Arrow:
    case MarkKind::Line:
    case MarkKind::Freehand: {
        const std::vector<Point> line =
            mark.points && !mark.points->empty() ? *mark.points : std::vector{mark.start, mark.end};
        return nearPolyline(line, p, tolerance + mark.lineWidth / 2);
    }
    case MarkKind::Ellipse:
    case MarkKind::Magnify:
        return insideEllipse(mark.rect().outset(tolerance + mark.lineWidth / 2), p);
    default:
        return mark.rect().outset(tolerance).contains(p);
    }
}

} // namespace

std::optional<Id> hitMark(const std::vector<Mark>& marks, const MarkNumbers& numbers,
                          const std::optional<Rect>& crop, const Rect& output, Point p,
                          double zoom) {
    const double tolerance = kToleranceViewPoints / zoom;
    for (auto mark = marks.rbegin(); mark != marks.rend(); ++mark) {
        const bool badged = mark->kind != MarkKind::Redact && numbers.contains(mark->id);
        if (badged && output.contains(p) &&
            badgeRect(*mark, crop).outset(tolerance / 2).contains(p))
            return mark->id;
        if (hitsBody(*mark, p, tolerance))
            return mark->id;
    }
    return std::nullopt;
}

bool grabsHandle(const Mark& mark, Point p, double zoom) {
    return std::hypot(p.x - mark.end.x, p.y - mark.end.y) <= kHandleViewPoints / zoom;
}

} // namespace lumbex
