#include "app/scroll_ui/panel_placement.h"

#include <algorithm>

namespace lumbex {
namespace {

constexpr int gap = 12;

// Slides `start` into [low, high - length], or to `low` when the range is too short.
int clampInto(int start, int length, int low, int high) {
    return std::max(low, std::min(start, high - length));
}

} // namespace

QPoint progressPanelPosition(const QRect& area, QSize panel, const QRect& display) {
    const int top = clampInto(area.top(), panel.height(), display.top(), display.bottom() + 1);
    const int left = clampInto(area.left(), panel.width(), display.left(), display.right() + 1);
    const QPoint candidates[] = {
        {area.right() + 1 + gap, top},
        {area.left() - gap - panel.width(), top},
        {left, area.bottom() + 1 + gap},
        {left, area.top() - gap - panel.height()},
    };
    for (const QPoint& p : candidates) {
        const QRect placed(p, panel);
        if (display.contains(placed) && !placed.intersects(area))
            return p;
    }
    return {display.right() + 1 - gap - panel.width(), display.top() + gap};
}

} // namespace lumbex
