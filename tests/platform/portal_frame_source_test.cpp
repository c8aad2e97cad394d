#include "platform/portal_frame_source.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Kind = SharedMonitorFit::Kind;

TEST(SharedMonitorFit, TheAreaMustLieOnTheSharedMonitor) {
    // Screenshot pixels: one 1280 × 800 display, or two side by side.
    const std::vector<QRect> one{QRect(0, 0, 1280, 800)};
    const std::vector<QRect> two{QRect(0, 0, 1280, 800), QRect(1280, 0, 1920, 1080)};
    const ScreenCastStream first{40, QPoint(0, 0), QSize(1280, 800), kScreenCastMonitor};
    const ScreenCastStream second{41, QPoint(1280, 0), QSize(1920, 1080), kScreenCastMonitor};
    // A portal that counts logical pixels of an output at scale 2 (or one at scale 1 in a
    // screenshot drawn at 2).
    const ScreenCastStream halved{42, QPoint(0, 0), QSize(640, 400), kScreenCastMonitor};
    const ScreenCastStream halvedSecond{43, QPoint(640, 0), QSize(960, 540), kScreenCastMonitor};
    const ScreenCastStream silent{44, std::nullopt, std::nullopt, 0};
    const ScreenCastStream sizeOnly{45, std::nullopt, QSize(1920, 1080), 0};
    const ScreenCastStream sameSizeElsewhere{46, QPoint(1280, 0), QSize(1280, 800), 0};
    struct Row {
        const char* what;
        QRect area;
        std::vector<QRect> displays;
        ScreenCastStream stream;
        Kind kind;
        std::optional<QRect> part;
    } rows[] = {
        {"the whole monitor", QRect(0, 0, 1280, 800), one, first, Kind::Inside, {}},
        {"an area on it", QRect(100, 50, 320, 200), one, first, Kind::Inside,
         QRect(100, 50, 320, 200)},
        {"its last pixels", QRect(1278, 798, 2, 2), one, first, Kind::Inside,
         QRect(1278, 798, 2, 2)},
        {"an area on the display to the right", QRect(1300, 10, 100, 100), two, second,
         Kind::Inside, QRect(20, 10, 100, 100)},
        {"the display to the right whole",
         QRect(1280, 0, 1920, 1080),
         two,
         second,
         Kind::Inside,
         {}},
        {"over the border between two displays",
         QRect(1200, 0, 200, 200),
         two,
         second,
         Kind::AcrossDisplays,
         {}},
        {"beyond every display", QRect(1200, 700, 200, 200), one, first, Kind::AcrossDisplays, {}},
        {"on the other display", QRect(0, 0, 100, 100), two, second, Kind::Elsewhere, {}},
        {"a display of the shared size at another place",
         QRect(0, 0, 100, 100),
         {QRect(0, 0, 1280, 800), QRect(1280, 0, 1280, 800)},
         sameSizeElsewhere,
         Kind::Elsewhere,
         {}},
        {"a display of another shape", QRect(0, 0, 100, 100), one, second, Kind::Elsewhere, {}},
        {"logical pixels at scale 2", QRect(100, 50, 320, 200), one, halved, Kind::Inside,
         QRect(50, 25, 160, 100)},
        {"the whole display at scale 2", QRect(0, 0, 1280, 800), one, halved, Kind::Inside, {}},
        {"a second display at scale 2, placed in logical pixels", QRect(1300, 10, 100, 100), two,
         halvedSecond, Kind::Inside, QRect(10, 5, 50, 50)},
        {"a portal that says nothing", QRect(10, 10, 100, 100), one, silent, Kind::Inside,
         QRect(10, 10, 100, 100)},
        {"a portal that gives only the size", QRect(1300, 10, 100, 100), two, sizeOnly,
         Kind::Inside, QRect(20, 10, 100, 100)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const SharedMonitorFit fit = fitOnSharedMonitor(row.area, row.displays, row.stream);
        EXPECT_EQ(fit.kind, row.kind);
        EXPECT_EQ(fit.part, row.part);
        EXPECT_EQ(fit.monitorSize, row.stream.size.value_or(QSize()));
    }
}

} // namespace
} // namespace lumbex
