// A scrolling capture as a user makes it, on an X server of its own with a window manager: the
// area is dragged in the picker, a long page is scrolled with the mouse wheel, and Finish is
// clicked. The stitched image must be the page itself.
#include "app/scroll_ui/scroll_capture_ui.h"
#include "model/image_files.h"
#include "platform/x11_screen_grabber.h"
#include "support/event_waiting.h"
#include "support/same_pixels.h"
#include "support/scroll_pages.h"
#include "support/test_environment.h"
#include "support/virtual_display.h"
#include "support/window_manager.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::processEventsFor;
using test::processEventsUntil;

const QSize pageSize(420, 1300);
constexpr quint32 pageSeed = 17;
constexpr int wheelClicks = 22; // more than it takes to reach the end of the page

// Runs xdotool while the event loop keeps going, so that our own windows answer it.
bool xdotool(const test::VirtualDisplay& display, const QStringList& args) {
    QProcess client;
    client.setProcessEnvironment(display.environment());
    client.start(QStringLiteral("xdotool"), args);
    processEventsUntil([&] { return client.state() == QProcess::NotRunning; }, 10000);
    return client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
}

QStringList point(QPoint p) {
    return {QString::number(p.x()), QString::number(p.y())};
}

QWidget* visibleWindowTitled(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowTitle() == title)
            return w;
    return nullptr;
}

class PageWindow {
public:
    PageWindow(const test::VirtualDisplay& display, QRect geometry) {
        process_.setProcessEnvironment(display.environment());
        process_.start(QStringLiteral(LUMBEX_SCROLL_PAGE_WINDOW),
                       {QString::number(geometry.x()), QString::number(geometry.y()),
                        QString::number(geometry.width()), QString::number(geometry.height()),
                        QString::number(pageSize.width()), QString::number(pageSize.height()),
                        QString::number(pageSeed)});
        if (!process_.waitForReadyRead(10000))
            return;
        const QStringList numbers = QString::fromLatin1(process_.readLine()).split(u' ');
        if (numbers.size() == 4)
            viewport_ = QRect(numbers[0].toInt(), numbers[1].toInt(), numbers[2].toInt(),
                              numbers[3].toInt());
    }
    ~PageWindow() {
        process_.kill();
        process_.waitForFinished(3000);
    }
    // The viewport on the desktop; empty when the window did not appear.
    QRect viewport() const { return viewport_; }

private:
    QProcess process_;
    QRect viewport_;
};

TEST(LiveScrollCaptureTest, APageScrolledWithTheWheelIsStitchedIntoANoteShowingThePage) {
    test::VirtualDisplay display(QSize(1000, 700));
    ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
    qputenv("DISPLAY", display.name().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "live_scroll_capture_test";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const test::WindowManager windowManager(display);
    ASSERT_TRUE(windowManager.ready()) << "openbox did not start";
    const PageWindow page(display, QRect(60, 80, 440, 300));
    const QRect viewport = page.viewport();
    ASSERT_FALSE(viewport.isEmpty()) << "the page window did not appear";

    const std::unique_ptr<ScreenGrabber> screen = connectX11ScreenGrabber(QByteArray());
    std::optional<NotePackageContents> saved;
    ScrollCaptureUI ui(*screen, [&](const NotePackageContents& note, bool) { saved = note; }, {});

    ui.start();
    ASSERT_TRUE(processEventsUntil(
        [] { return visibleWindowTitled(QStringLiteral("Scrolling Capture Area")); }, 5000));
    processEventsFor(200);
    // The area: the page inside the viewport, a margin away from its edges.
    const QRect area = viewport.adjusted(10, 8, -14, -12);
    ASSERT_TRUE(xdotool(display, QStringList{"mousemove"} + point(area.topLeft()) +
                                     QStringList{"mousedown", "1", "mousemove"} +
                                     point(area.center()) + QStringList{"mousemove"} +
                                     point(area.bottomRight() + QPoint(1, 1)) +
                                     QStringList{"mouseup", "1"}));
    ASSERT_TRUE(processEventsUntil([&] { return ui.session().frameCount() >= 1; }, 5000))
        << ui.session().panel().detail.toStdString();
    ASSERT_NE(ui.panel(), nullptr);
    EXPECT_FALSE(ui.panel()->frameGeometry().intersects(area));

    for (int i = 0; i < wheelClicks; ++i) {
        ASSERT_TRUE(xdotool(display, QStringList{"mousemove"} + point(area.center()) +
                                         QStringList{"click", "5"}));
        processEventsFor(350);
    }
    processEventsFor(600);
    ASSERT_EQ(ui.session().phase(), ScrollingCaptureSession::Phase::Capturing)
        << ui.session().panel().detail.toStdString();
    const auto* finish = ui.panel()->findChild<QPushButton*>(QStringLiteral("finish"));
    ASSERT_TRUE(finish && finish->isEnabled());
    ASSERT_TRUE(xdotool(display, QStringList{"mousemove"} +
                                     point(finish->mapToGlobal(finish->rect().center())) +
                                     QStringList{"click", "1"}));
    ASSERT_TRUE(processEventsUntil([&] { return saved.has_value(); }, 10000));

    const Media& stitched = saved->note.media.front();
    ASSERT_TRUE(stitched.scrollCapture);
    EXPECT_FALSE(stitched.scrollCapture->partial);
    EXPECT_EQ(stitched.scrollCapture->imported, std::optional(false));
    EXPECT_EQ(saved->note.media.size(), stitched.scrollCapture->pieces.size() + 1);
    // Scrolled to the end, the page from the area's top edge down shows through the area.
    const QPoint inPage = area.topLeft() - viewport.topLeft();
    const int scrolledToEnd = pageSize.height() - viewport.height();
    const QImage expected =
        test::textPage(pageSize.width(), pageSize.height(), pageSeed)
            .copy(QRect(inPage, QSize(area.width(), area.height() + scrolledToEnd)));
    EXPECT_TRUE(test::samePixels(ImageFiles::image(saved->originals.at(stitched.id)), expected));
    EXPECT_EQ(ui.panel(), nullptr);
}

} // namespace
} // namespace lumbex

// Each test makes its own X server and application, so the main only prepares the environment.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir home;
    if (!lumbex::test::prepareTestEnvironment(home))
        return 1;
    return RUN_ALL_TESTS();
}
