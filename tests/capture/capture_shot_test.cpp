#include "capture/capture_composition.h"
#include "capture/capture_shot.h"
#include "capture/screen_lists.h"
#include "core/error.h"
#include "model/image_files.h"
#include "support/fake_screen_grabber.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::positionCode;

class CaptureShotTest : public ::testing::Test {
protected:
    CaptureShotTest() : screen(test::positionCodedDesktop(QSize(640, 480))) {
        screen.windowList = {
            {7, 300, QStringLiteral("Notes"), QStringLiteral("Editor"), QRect(100, 50, 200, 120)},
            {9, 301, QStringLiteral("Half off"), QStringLiteral("Editor"),
             QRect(600, 400, 100, 100)},
        };
    }

    QImage decoded(const CaptureShot& shot) {
        const QImage image = ImageFiles::image(shot.png);
        EXPECT_EQ(image.size(), shot.size);
        return image;
    }
    // Every pixel of `image` shows the desktop at `origin` plus its own position.
    void expectDesktopAt(const QImage& image, QPoint origin) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ASSERT_EQ(image.pixel(x, y), positionCode(origin.x() + x, origin.y() + y))
                    << x << "," << y;
    }
    QString messageOf(const CaptureSelection& selection, qint32 ownProcess = 0) {
        try {
            validateSelection(selection, screen, ownProcess);
        } catch (const LumbexError& e) {
            return e.message();
        }
        return {};
    }

    test::FakeScreenGrabber screen;
};

TEST_F(CaptureShotTest, EachSelectionReadsItsOwnPixels) {
    const std::vector<CaptureDisplay> displays = captureDisplays(screen.displayList);
    const std::vector<CaptureWindow> windows = captureWindows(screen.windowList, 0);
    struct Row {
        const char* name;
        CaptureSelection selection;
        QRect area;
    } rows[] = {
        {"region", CaptureRegion{{10, 20, 300, 200}, displays}, QRect(10, 20, 300, 200)},
        {"window", windows[0], QRect(100, 50, 200, 120)},
        {"window partly off the screen", windows[1], QRect(600, 400, 40, 80)},
        {"display", displays[0], QRect(0, 0, 640, 480)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const CaptureShot shot = takePicture(row.selection, screen, {});
        EXPECT_EQ(shot.rect, (Rect{double(row.area.x()), double(row.area.y()),
                                   double(row.area.width()), double(row.area.height())}));
        expectDesktopAt(decoded(shot), row.area.topLeft());
    }
}

TEST_F(CaptureShotTest, ThePointerAndTheWindowShadowOnlyWhenAsked) {
    QImage arrow(4, 4, QImage::Format_ARGB32_Premultiplied);
    arrow.fill(qRgba(255, 255, 255, 255));
    screen.pointer = CursorImage{arrow, QPoint(0, 0), QPoint(20, 30)};
    const CaptureRegion region{{10, 20, 50, 50}, captureDisplays(screen.displayList)};

    EXPECT_EQ(decoded(takePicture(region, screen, {false, true})).pixel(10, 10),
              positionCode(20, 30));
    EXPECT_EQ(decoded(takePicture(region, screen, {true, false})).pixel(10, 10),
              qRgb(255, 255, 255));

    const CaptureWindow window = captureWindows(screen.windowList, 0)[0];
    using namespace WindowShadow;
    EXPECT_EQ(decoded(takePicture(window, screen, {false, true})).size(),
              QSize(200 + 2 * kMarginSide, 120 + kMarginTop + kMarginBottom));
    EXPECT_EQ(decoded(takePicture(window, screen, {false, false})).size(), QSize(200, 120));
}

TEST_F(CaptureShotTest, SelectionsAreCheckedAgainstTheScreenAsItIsNow) {
    const std::vector<CaptureDisplay> displays = captureDisplays(screen.displayList);
    const CaptureWindow window = captureWindows(screen.windowList, 0)[0];
    CaptureWindow reused = window;
    reused.processID = 999; // the id now belongs to another application's window
    CaptureWindow closed = window;
    closed.id = 8;
    CaptureDisplay resized = displays[0];
    resized.quartzFrame.width = 800;
    const CaptureRegion region{{10, 20, 300, 200}, displays};
    CaptureRegion otherSetup = region;
    otherSetup.displays[0].id = QStringLiteral("DP-1");

    EXPECT_EQ(messageOf(region), QString());
    EXPECT_EQ(messageOf(window), QString());
    EXPECT_EQ(messageOf(displays[0]), QString());
    const QString windowGone = QStringLiteral("That window is no longer visible. Select it again.");
    EXPECT_EQ(messageOf(closed), windowGone);
    EXPECT_EQ(messageOf(reused), windowGone);
    EXPECT_EQ(messageOf(resized),
              QStringLiteral("The selected display changed. Start a new capture."));
    EXPECT_EQ(
        messageOf(otherSetup),
        QStringLiteral("The display setup changed. Select an area again before repeating it."));
    EXPECT_EQ(messageOf(window, 300), windowGone) << "the application's own window";
}

TEST(CaptureName, NamesTheMomentInAbbreviatedDateAndShortTime) {
    const QDateTime moment(QDate(2026, 12, 6), QTime(17, 9, 42));
    EXPECT_EQ(captureName(moment), QStringLiteral("Capture Dec 6, 2026 at 5:09 PM"));
}

} // namespace
} // namespace lumbex
