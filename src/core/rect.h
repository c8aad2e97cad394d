#pragma once

#include <algorithm>
#include <cmath>

namespace lumbex {

// Exact value types for stored geometry. Qt's QPointF and QRectF compare fuzzily, which would
// let a one-hundredth-pixel move count as "no change" when notes are compared field by field.
struct Point {
    double x = 0;
    double y = 0;

    friend bool operator==(const Point&, const Point&) = default;
    bool isFinite() const { return std::isfinite(x) && std::isfinite(y); }
    Point operator+(Point o) const { return {x + o.x, y + o.y}; }
    Point operator-(Point o) const { return {x - o.x, y - o.y}; }
};

// Origin at the top-left, y growing downwards. Width and height are kept as given (a rectangle
// read from a file may be negative until validated).
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;

    static Rect spanning(Point a, Point b) {
        return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
    }
    static Rect centered(Point c, double w, double h) { return {c.x - w / 2, c.y - h / 2, w, h}; }

    double minX() const { return std::min(x, x + width); }
    double minY() const { return std::min(y, y + height); }
    double maxX() const { return std::max(x, x + width); }
    double maxY() const { return std::max(y, y + height); }
    Point origin() const { return {x, y}; }
    Point center() const { return {x + width / 2, y + height / 2}; }

    bool isFinite() const {
        return std::isfinite(x) && std::isfinite(y) && std::isfinite(width) &&
               std::isfinite(height);
    }
    // No area: zero width or height (a rectangle with negative size is normalised first).
    bool isEmpty() const { return width == 0 || height == 0; }

    Rect standardized() const { return {minX(), minY(), maxX() - minX(), maxY() - minY()}; }
    Rect outset(double d) const {
        const Rect s = standardized();
        return {s.x - d, s.y - d, s.width + 2 * d, s.height + 2 * d};
    }
    Rect united(const Rect& o) const {
        const double x0 = std::min(minX(), o.minX()), y0 = std::min(minY(), o.minY());
        return {x0, y0, std::max(maxX(), o.maxX()) - x0, std::max(maxY(), o.maxY()) - y0};
    }
    // The overlap, or an empty rectangle at the origin when there is none.
    Rect intersected(const Rect& o) const {
        const double x0 = std::max(minX(), o.minX()), y0 = std::max(minY(), o.minY());
        const double x1 = std::min(maxX(), o.maxX()), y1 = std::min(maxY(), o.maxY());
        if (x1 <= x0 || y1 <= y0)
            return {};
        return {x0, y0, x1 - x0, y1 - y0};
    }
    // The smallest rectangle with whole-number edges that contains this one.
    Rect roundedOut() const {
        const double x0 = std::floor(minX()), y0 = std::floor(minY());
        return {x0, y0, std::ceil(maxX()) - x0, std::ceil(maxY()) - y0};
    }
    // True when `inner` lies wholly inside (edges may touch).
    bool contains(const Rect& inner) const {
        return inner.minX() >= minX() && inner.maxX() <= maxX() && inner.minY() >= minY() &&
               inner.maxY() <= maxY();
    }
    // Half-open containment of a point: the max edges are outside.
    bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
};

} // namespace lumbex
