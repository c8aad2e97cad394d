#include "app/scroll_ui/panel_placement.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QRect display(0, 0, 1000, 700);
const QSize panel(300, 200);

TEST(PanelPlacementTest, ThePanelGoesBesideTheAreaNeverOverIt) {
    struct Row {
        const char* name;
        QRect area;
        QPoint expected;
    } rows[] = {
        {"room on the right", {100, 100, 400, 300}, {512, 100}},
        {"only room on the left", {400, 100, 500, 300}, {88, 100}},
        {"right edge clamps the top", {100, 600, 300, 50}, {412, 500}},
        {"full width: below", {0, 100, 1000, 300}, {0, 412}},
        {"full width, low: above", {0, 400, 1000, 300}, {0, 188}},
        {"whole display: top right corner", {0, 0, 1000, 700}, {688, 12}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QPoint placed = progressPanelPosition(row.area, panel, display);
        EXPECT_EQ(placed, row.expected);
        if (row.area != display) {
            EXPECT_FALSE(QRect(placed, panel).intersects(row.area));
            EXPECT_TRUE(display.contains(QRect(placed, panel)));
        }
    }
}

TEST(PanelPlacementTest, APanelOnASecondDisplayStaysOnThatDisplay) {
    const QRect second(1000, 0, 800, 600);
    const QPoint placed = progressPanelPosition({1050, 50, 300, 300}, panel, second);
    EXPECT_EQ(placed, QPoint(1362, 50));
    EXPECT_TRUE(second.contains(QRect(placed, panel)));
}

} // namespace
} // namespace lumbex
