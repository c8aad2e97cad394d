#pragma once

#include <QRect>

namespace lumbex {

// Where a new window of `wanted` size goes when it opens for another window (`anchor`, its frame
// on the desktop): centred over it, no larger than the screen's `available` area allows with room
// for the window manager's title bar, and moved so that all of it stays on that screen.
QRect placedOver(QSize wanted, const QRect& anchor, const QRect& available);

} // namespace lumbex
