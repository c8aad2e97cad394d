#include "platform/portal_frame_source.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Kind = SharedMonitorFit::Kind;

TEST(SharedMonitorFit, TheAreaMustLieOnTheSharedMonitor) {
    const ScreenCastStream first{40, QPoint(0, 0), QSize(1280, 800), kScreenCastMonitor};
    const ScreenCastStream second{41, QPoint(1280, 0), QSize(1920, 1080), kScreenCastMonitor};
    const ScreenCastStream silent{42, std::nullopt, std::nullopt, 0};
    const ScreenCastStream placeless{43, std::nullopt, QSize(1280, 800), 0};
    struct Row {
        const char* what;
        QRect area;
        ScreenCastStream stream;
        Kind kind;
        std::optional<QRect> part;
        QSize monitorSize;
    } rows[] = {
        {"the whole monitor", QRect(0, 0, 1280, 800), first, Kind::Inside, {}, QSize(1280, 800)},
        {"an area on it", QRect(100, 50, 320, 200), first, Kind::Inside, QRect(100, 50, 320, 200),
         QSize(1280, 800)},
        {"its last pixels", QRect(1278, 798, 2, 2), first, Kind::Inside, QRect(1278, 798, 2, 2),
         QSize(1280, 800)},
        {"an area on a monitor to the right", QRect(1300, 10, 100, 100), second, Kind::Inside,
         QRect(20, 10, 100, 100), QSize(1920, 1080)},
        {"the second monitor whole",
         QRect(1280, 0, 1920, 1080),
         second,
         Kind::Inside,
         {},
         QSize(1920, 1080)},
        {"over the right edge",
         QRect(1200, 700, 200, 50),
         first,
         Kind::CrossesEdge,
         {},
         QSize(1280, 800)},
        {"over the border between two monitors",
         QRect(1200, 0, 200, 200),
         second,
         Kind::CrossesEdge,
         {},
         QSize(1920, 1080)},
        {"on another monitor",
         QRect(0, 0, 100, 100),
         second,
         Kind::Elsewhere,
         {},
         QSize(1920, 1080)},
        {"the whole desktop of two monitors",
         QRect(0, 0, 3200, 1080),
         second,
         Kind::Elsewhere,
         {},
         QSize(1920, 1080)},
        {"a larger display than the one shared",
         QRect(0, 0, 2560, 1600),
         first,
         Kind::Elsewhere,
         {},
         QSize(1280, 800)},
        {"a portal that says nothing", QRect(10, 10, 100, 100), silent, Kind::Inside,
         QRect(10, 10, 100, 100), QSize()},
        {"a portal that gives only the size", QRect(10, 10, 100, 100), placeless, Kind::Inside,
         QRect(10, 10, 100, 100), QSize(1280, 800)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const SharedMonitorFit fit = fitOnSharedMonitor(row.area, row.stream);
        EXPECT_EQ(fit.kind, row.kind);
        EXPECT_EQ(fit.part, row.part);
        EXPECT_EQ(fit.monitorSize, row.monitorSize);
    }
}

TEST(DesktopScale, ScreenshotPixelsPerLogicalPixelOfAWholeDesktopMonitor) {
    const ScreenCastStream scaled{40, QPoint(0, 0), QSize(640, 400), kScreenCastMonitor};
    const ScreenCastStream placeless{41, std::nullopt, QSize(1280, 720), 0};
    const ScreenCastStream right{42, QPoint(1280, 0), QSize(1280, 800), kScreenCastMonitor};
    const ScreenCastStream sizeless{43, QPoint(0, 0), std::nullopt, 0};
    struct Row {
        const char* what;
        QSize desktop;
        ScreenCastStream stream;
        double scale;
    } rows[] = {
        {"a monitor at scale 2", QSize(1280, 800), scaled, 2},
        {"the same monitor at scale 1", QSize(640, 400), scaled, 1},
        {"scale 1.5 with a rounded height", QSize(1920, 1081), placeless, 1.5},
        {"a desktop of another shape: two monitors", QSize(2560, 720), placeless, 1},
        {"a desktop larger in width only", QSize(1920, 720), placeless, 1},
        {"a monitor that is not at the origin", QSize(2560, 800), right, 1},
        {"a portal that gives no size", QSize(1280, 800), sizeless, 1},
        {"no desktop picture", QSize(), scaled, 1},
        {"a desktop smaller than the monitor", QSize(320, 200), scaled, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_DOUBLE_EQ(desktopScale(row.desktop, row.stream), row.scale);
    }
}

} // namespace
} // namespace lumbex
