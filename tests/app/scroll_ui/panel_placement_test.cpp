#include "app/scroll_ui/panel_placement.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QSize panel(300, 200);

// The panel would end up in the frames if it covered the area being grabbed.
TEST(PanelPlacementTest, ThePanelGoesBesideTheAreaNeverOverIt) {
    const QRect display(0, 0, 1000, 700);
    const QRect second(1000, 0, 800, 600);
    struct Row {
        const char* name;
        QRect area;
        QRect display;
        QPoint expected;
    } rows[] = {
        {"room on the right", {100, 100, 400, 300}, display, {512, 100}},
        {"only room on the left", {400, 100, 500, 300}, display, {88, 100}},
        {"right edge clamps the top", {100, 600, 300, 50}, display, {412, 500}},
        {"full width: below", {0, 100, 1000, 300}, display, {0, 412}},
        {"full width, low: above", {0, 400, 1000, 300}, display, {0, 188}},
        {"second display: stays on it", {1050, 50, 300, 300}, second, {1362, 50}},
        {"whole display: top right corner", {0, 0, 1000, 700}, display, {688, 12}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QPoint placed = progressPanelPosition(row.area, panel, row.display);
        EXPECT_EQ(placed, row.expected);
        EXPECT_TRUE(row.display.contains(QRect(placed, panel)));
        if (row.area != row.display) {
            EXPECT_FALSE(QRect(placed, panel).intersects(row.area));
        }
    }
}

} // namespace
} // namespace lumbex
