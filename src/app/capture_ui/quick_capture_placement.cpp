#include "app/capture_ui/quick_capture_placement.h"

#include <algorithm>

namespace lumbex {

QPoint quickCapturePanelPosition(const QRect& captured, QSize panel, const QRect& screen) {
    constexpr int kGap = 12;
    const int right = captured.x() + captured.width() + kGap;
    const int left = captured.x() - kGap - panel.width();
    int x = captured.x() + captured.width() - kGap - panel.width();
    if (right + panel.width() <= screen.x() + screen.width())
        x = right;
    else if (left >= screen.x())
        x = left;
    int y = captured.y();
    const bool inside = x != right && x != left;
    if (inside)
        y = captured.y() + captured.height() - kGap - panel.height();
    x = std::max(screen.x(), std::min(x, screen.x() + screen.width() - panel.width()));
    y = std::max(screen.y(), std::min(y, screen.y() + screen.height() - panel.height()));
    return {x, y};
}

} // namespace lumbex
