#pragma once

#include "core/rect.h"

#include <QPointF>
#include <QRectF>

namespace lumbex {

// Stored geometry handed to QPainter. Both use source-image pixels with y growing downwards.
inline QPointF toQt(Point p) {
    return {p.x, p.y};
}
inline QRectF toQt(const Rect& r) {
    return {r.x, r.y, r.width, r.height};
}

} // namespace lumbex
