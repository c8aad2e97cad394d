#include "canvas/canvas_coordinates.h"

#include <algorithm>

namespace lumbex {

CanvasCoordinates CanvasCoordinates::make(const Rect& output, double zoom, QSizeF viewport) {
    const QSizeF needed(output.width * zoom + 2 * kCanvasMargin,
                        output.height * zoom + 2 * kCanvasMargin);
    return {output, zoom, viewport.expandedTo(needed)};
}

QRectF CanvasCoordinates::imageRect() const {
    const double width = output.width * zoom, height = output.height * zoom;
    const double x = std::max((content.width() - width) / 2, kCanvasMargin);
    const double y = std::max((content.height() - height) / 2, kCanvasMargin);
    return {x, y, width, height};
}

Point CanvasCoordinates::pixel(QPointF contentPoint) const {
    const QRectF image = imageRect();
    return {(contentPoint.x() - image.left()) / zoom + output.x,
            (contentPoint.y() - image.top()) / zoom + output.y};
}

QPointF CanvasCoordinates::screen(Point sourcePoint) const {
    const QRectF image = imageRect();
    return {(sourcePoint.x - output.x) * zoom + image.left(),
            (sourcePoint.y - output.y) * zoom + image.top()};
}

double fitZoom(const Rect& output, QSizeF viewport, double scale) {
    const double available = std::min((viewport.width() - 2 * kCanvasMargin) / output.width,
                                      (viewport.height() - 2 * kCanvasMargin) / output.height);
    const double display = std::clamp(available * scale, kMinimumDisplayZoom, 1.0);
    return display / scale;
}

QRectF overlayRect(QPointF point, QSizeF size, const QRectF& visible) {
    constexpr double kInset = 8, kOffset = 18;
    const QRectF area = visible.adjusted(kInset, kInset, -kInset, -kInset);
    double x = point.x() + kOffset, y = point.y() + kOffset;
    if (x + size.width() > area.right())
        x = point.x() - size.width() - kOffset;
    if (y + size.height() > area.bottom())
        y = point.y() - size.height() - kOffset;
    // When the area is narrower than the panel, its left or top edge wins.
    x = std::max(std::min(x, area.right() - size.width()), area.left());
    y = std::max(std::min(y, area.bottom() - size.height()), area.top());
    return {QPointF(x, y), size};
}

} // namespace lumbex
