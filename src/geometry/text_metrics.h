#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

class QPaintDevice;

namespace lumbex {

// Text is measured and drawn with the application's UI font at semibold weight, sized in points
// on a 72-dpi device so that one point is one source pixel. The renderer draws through the same
// font and device resolution, so measured geometry and painted pixels always agree.
QFont annotationFont(double pointSize);

// The 72-dpi resolution (dots per metre) shared by measurement and rendering targets.
int annotationDotsPerMeter();

// The size of `text` laid out with word wrapping in a box `wrapWidth` wide and unlimited height.
QSizeF measureText(const QString& text, const QFont& font, double wrapWidth);

} // namespace lumbex
