#pragma once

#include "core/rect.h"
#include "records/media.h"

#include <QImage>

class QPainter;

namespace lumbex {

// All drawing functions take a painter whose coordinates are source-image pixels (origin at the
// original image's top-left, y down); the caller sets up translation and scale.

// Draws `image` upright into `rect` with the painter's current interpolation (full-size renders
// keep nearest-neighbour so that every captured pixel comes out unchanged).
void drawImage(QPainter& painter, const QImage& image, const Rect& rect);

// The background (solid or gradient fill of `output`), the shadow under the image shape and the
// original clipped to the image shape: the visible rect rounded by the clamped corner radius.
void drawBaseLayer(QPainter& painter, const QImage& original, const Media& media,
                   const Rect& output);

} // namespace lumbex
