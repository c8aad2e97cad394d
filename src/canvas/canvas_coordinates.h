#pragma once

#include "core/rect.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace lumbex {

// The coordinate contract of the canvas. Source points are image pixels (origin at the original's
// top-left, y down). Content points are the canvas's scrollable document in view points: the
// output rectangle is drawn there `zoom` points per source pixel, centred, with at least
// kCanvasMargin points on every side. Viewport points are content points minus the scroll offset.
inline constexpr double kCanvasMargin = 80;
// The display zoom (screen pixels per source pixel) the editor allows.
inline constexpr double kMinimumDisplayZoom = 0.03;
inline constexpr double kMaximumDisplayZoom = 8;

struct CanvasCoordinates {
    Rect output;
    double zoom = 1;
    // The scrollable document: at least the viewport, else the zoomed output plus its margins.
    QSizeF content;

    static CanvasCoordinates make(const Rect& output, double zoom, QSizeF viewport);

    // Where the output rectangle lies in content points.
    QRectF imageRect() const;
    Point pixel(QPointF contentPoint) const;
    QPointF screen(Point sourcePoint) const;
};

// The zoom (view points per source pixel) at which `output` fits `viewport` with its margins,
// never above one screen pixel per source pixel and within the editor's range; `scale` is the
// screen's device pixel ratio.
double fitZoom(const Rect& output, QSizeF viewport, double scale);

// Where a floating panel of `size` goes near `point` (both in viewport points) inside `visible`:
// below and right of the point, flipped left or up where it would leave the area inset by 8.
QRectF overlayRect(QPointF point, QSizeF size, const QRectF& visible);

inline Point clamped(Point p, const Rect& area) {
    return {std::clamp(p.x, area.minX(), area.maxX()), std::clamp(p.y, area.minY(), area.maxY())};
}

} // namespace lumbex
