#include "capture/screen_lists.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(ScreenLists, DisplaysAreSortedByNameWithOnePointPerPixel) {
    const std::vector<CaptureDisplay> displays =
        captureDisplays({{QStringLiteral("HDMI-1"), QRect(1920, 0, 1280, 1024), 90, false},
                         {QStringLiteral("DP-2"), QRect(0, 0, 1920, 1080), 0, true}});
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_EQ(displays[0],
              (CaptureDisplay{
                  QStringLiteral("DP-2"), {0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 1, 0, true}));
    EXPECT_EQ(displays[1].id, u"HDMI-1");
    EXPECT_EQ(displays[1].rotation, 90);
}

TEST(ScreenLists, WindowsKeepTheirOrderAndLeaveOutOwnAndTinyOnes) {
    constexpr qint32 own = 4242;
    struct Row {
        ScreenWindow window;
        std::optional<QString> title; // nothing: left out
    } rows[] = {
        {{1, 100, QStringLiteral("index.html"), QStringLiteral("Firefox"), QRect(0, 0, 800, 600)},
         QStringLiteral("Firefox · index.html")},
        {{2, 101, QString(), QStringLiteral("XTerm"), QRect(10, 10, 300, 200)},
         QStringLiteral("XTerm")},
        {{3, 102, QStringLiteral("Untitled"), QString(), QRect(10, 10, 300, 200)},
         QStringLiteral("Window · Untitled")},
        {{4, 0, QString(), QString(), QRect(10, 10, 2, 2)}, QStringLiteral("Window")},
        {{5, own, QStringLiteral("Editor"), QStringLiteral("Lumbex"), QRect(0, 0, 800, 600)},
         std::nullopt},
        {{6, 103, QStringLiteral("thin"), QStringLiteral("App"), QRect(0, 0, 1, 600)},
         std::nullopt},
        {{7, 104, QStringLiteral("flat"), QStringLiteral("App"), QRect(0, 0, 600, 1)},
         std::nullopt},
    };
    std::vector<ScreenWindow> input;
    std::vector<CaptureWindow> expected;
    for (const Row& row : rows) {
        input.push_back(row.window);
        const QRect& f = row.window.frame;
        if (row.title)
            expected.push_back(
                {row.window.id, row.window.processID, *row.title,
                 Rect{double(f.x()), double(f.y()), double(f.width()), double(f.height())}});
    }
    EXPECT_EQ(captureWindows(input, own), expected);
}

} // namespace
} // namespace lumbex
