#include "app/desktop/window_placement.h"

#include <algorithm>

namespace lumbex {
namespace {

// Room above the window for the title bar the window manager adds to the frame.
constexpr int kTitleBar = 32;

} // namespace

QRect placedOver(QSize wanted, const QRect& anchor, const QRect& available) {
    const QSize room(available.width() * 92 / 100, available.height() * 92 / 100 - kTitleBar);
    const QSize size = wanted.boundedTo(room).expandedTo(QSize(1, 1));
    QRect placed(QPoint(0, 0), size);
    placed.moveCenter(anchor.isValid() ? anchor.center() : available.center());
    const int left = std::clamp(placed.left(), available.left(),
                                std::max(available.left(), available.right() + 1 - size.width()));
    const int top =
        std::clamp(placed.top(), available.top() + kTitleBar,
                   std::max(available.top() + kTitleBar, available.bottom() + 1 - size.height()));
    placed.moveTopLeft(QPoint(left, top));
    return placed;
}

} // namespace lumbex
