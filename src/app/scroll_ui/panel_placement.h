#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace lumbex {

// Where the progress panel of a scrolling capture goes so that it never covers the area being
// grabbed (it would end up in the frames): beside the area on its right, else on its left, else
// below, else above, a small gap away and inside `display`. When the area leaves no room at all,
// the panel goes to the display's top right corner. All in desktop pixels.
QPoint progressPanelPosition(const QRect& area, QSize panel, const QRect& display);

} // namespace lumbex
