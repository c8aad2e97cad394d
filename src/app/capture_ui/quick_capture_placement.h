#pragma once

#include <QRect>

namespace lumbex {

// Where the quick-capture panel of `panel` size goes for a capture of `captured` on a screen
// whose usable area is `screen` (all desktop coordinates): 12 points right of the captured
// area, top-aligned with it; left of it when the right side has no room; otherwise inside the
// area's bottom-right corner. Always wholly inside `screen` when it fits there.
QPoint quickCapturePanelPosition(const QRect& captured, QSize panel, const QRect& screen);

} // namespace lumbex
