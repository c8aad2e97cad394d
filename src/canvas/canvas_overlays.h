#pragma once

#include "canvas/rendering.h"

#include <QPalette>
#include <QPointF>
#include <QRectF>

class QPainter;

namespace lumbex {

// The canvas's own drawings over the composition, in viewport points. They never reach an export.

// The dashed frame around the selected mark (spanned by its start and end on screen), with a
// square handle on each point when `handles`.
void drawSelection(QPainter& painter, QPointF start, QPointF end, bool handles,
                   const QPalette& palette);

// The measured line with its end bars, and the distance label in `labelRect`.
void drawMeasurement(QPainter& painter, QPointF start, QPointF end, const QString& label,
                     const QRectF& labelRect, const QPalette& palette);
// The size of the distance label for `label`.
QSizeF measurementLabelSize(const QString& label);

// The loupe panel: 15 × 15 magnified pixels around the sampled one, and its coordinates.
inline constexpr QSizeF kLoupePanelSize{139, 160};
void drawLoupePanel(QPainter& painter, const QRectF& panel, const PixelLoupe& loupe,
                    const QPalette& palette);

} // namespace lumbex
