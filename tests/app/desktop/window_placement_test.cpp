#include "app/desktop/window_placement.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct Placement {
    const char* name;
    QSize wanted;
    QRect anchor;
    QRect available;
    QRect expected;
};

class WindowPlacement : public testing::TestWithParam<Placement> {};

TEST_P(WindowPlacement, StaysWholeOnTheScreen) {
    const Placement& p = GetParam();
    const QRect placed = placedOver(p.wanted, p.anchor, p.available);
    EXPECT_EQ(placed, p.expected);
    // The title bar above the window is on the screen too.
    EXPECT_TRUE(p.available.contains(placed.adjusted(0, -32, 0, 0))) << p.name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowPlacement,
    testing::Values(Placement{"centred over its note",
                              {960, 760},
                              {0, 0, 1600, 1000},
                              {0, 0, 1600, 1000},
                              {320, 120, 960, 760}},
                    Placement{"a note low on the screen pulls it no lower than the bottom",
                              {960, 760},
                              {640, 600, 900, 700},
                              {0, 0, 1600, 1000},
                              {610, 240, 960, 760}},
                    Placement{"a note off the left edge, high up",
                              {800, 600},
                              {-300, 100, 400, 400},
                              {0, 0, 1920, 1080},
                              {0, 32, 800, 600}},
                    Placement{"a small screen shrinks it",
                              {960, 760},
                              {0, 0, 1024, 600},
                              {0, 0, 1024, 600},
                              {41, 40, 942, 520}},
                    Placement{"a second screen to the right with a panel on top",
                              {960, 760},
                              {1920, 28, 1920, 1052},
                              {1920, 28, 1920, 1052},
                              {2400, 174, 960, 760}},
                    Placement{"no anchor centres it on the screen",
                              {400, 300},
                              {},
                              {0, 0, 1000, 800},
                              {300, 250, 400, 300}}),
    [](const testing::TestParamInfo<Placement>& info) {
        std::string name = info.param.name;
        for (char& c : name)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

} // namespace
} // namespace lumbex
