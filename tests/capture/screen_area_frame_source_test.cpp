#include "capture/screen_area_frame_source.h"
#include "capture/screen_lists.h"
#include "core/error.h"
#include "support/fake_screen_grabber.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QSize desktopSize(1200, 500);
const ScreenDisplay left{QStringLiteral("DP-1"), QRect(0, 0, 600, 500), 0, true};
const ScreenDisplay right{QStringLiteral("DP-2"), QRect(600, 0, 600, 500), 0, false};

CaptureRegion regionOn(const std::vector<ScreenDisplay>& displays, Rect rect) {
    return {rect, captureDisplays(displays)};
}

TEST(ScreenAreaFrameSourceTest, GrabsTheAreaWhileItLiesOnOneOfTheDisplaysItWasChosenOn) {
    test::FakeScreenGrabber screen(test::positionCodedDesktop(desktopSize));
    screen.displayList = {left, right};
    for (const Rect& rect : {Rect{10, 20, 300, 200}, Rect{650, 0, 550, 500}}) {
        ScreenAreaFrameSource source(screen, regionOn(screen.displayList, rect));
        const QImage frame = source.grab();
        ASSERT_EQ(frame.size(), QSize(int(rect.width), int(rect.height)));
        for (const QPoint corner : {QPoint(0, 0), QPoint(frame.width() - 1, frame.height() - 1)})
            EXPECT_EQ(frame.pixel(corner),
                      test::positionCode(int(rect.x) + corner.x(), int(rect.y) + corner.y()));
    }
}

TEST(ScreenAreaFrameSourceTest, RefusesAreasAndScreensItCannotGrabWithTheirMessages) {
    struct Row {
        const char* name;
        Rect rect;
        std::function<void(test::FakeScreenGrabber&)> change;
        QString message;
    } rows[] = {
        {"across two displays",
         {500, 10, 200, 100},
         {},
         QStringLiteral("Keep the scrolling area on one display.")},
        {"display removed",
         {10, 10, 200, 100},
         [](test::FakeScreenGrabber& s) { s.displayList.pop_back(); },
         QStringLiteral("The display setup changed. The captured part has been kept.")},
        {"display moved",
         {10, 10, 200, 100},
         [](test::FakeScreenGrabber& s) { s.displayList[1].geometry.moveLeft(700); },
         QStringLiteral("The display setup changed. The captured part has been kept.")},
        {"screen gone",
         {10, 10, 200, 100},
         [](test::FakeScreenGrabber& s) { s.failure = QStringLiteral("The screen went away."); },
         QStringLiteral("The screen went away.")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::FakeScreenGrabber screen(test::positionCodedDesktop(desktopSize));
        screen.displayList = {left, right};
        ScreenAreaFrameSource source(screen, regionOn(screen.displayList, row.rect));
        if (row.change)
            row.change(screen);
        try {
            source.grab();
            ADD_FAILURE() << "grabbed";
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message(), row.message);
        }
        EXPECT_EQ(screen.grabCount, 0);
    }
}

} // namespace
} // namespace lumbex
