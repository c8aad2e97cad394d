#include "core/error.h"
#include "platform/x11_screen_grabber.h"
#include "support/qt_printers.h"
#include "support/shown_test_window.h"
#include "support/test_window.h"
#include "support/window_manager.h"

#include <QColorSpace>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QColor rootColor(0x33, 0x66, 0x99);

class X11ScreenGrabberTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(
            display.run(QStringLiteral("xsetroot"), {QStringLiteral("-solid"), rootColor.name()}));
        screen = connectX11ScreenGrabber(display.name().toLocal8Bit());
    }

    // Every pixel of `image` inside `part` (image coordinates) equals the matching pixel of
    // `expected`, and every other pixel is the root colour.
    static void expectContent(const QImage& image, const QImage& expected, QPoint part) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QPoint inWindow = QPoint(x, y) - part;
                const QRgb want =
                    expected.rect().contains(inWindow) ? expected.pixel(inWindow) : rootColor.rgb();
                ASSERT_EQ(image.pixel(x, y), want) << "at " << x << "," << y;
            }
    }

    test::VirtualDisplay display;
    std::unique_ptr<ScreenGrabber> screen;
};

TEST_F(X11ScreenGrabberTest, OneDisplayCoversTheWholeScreen) {
    const std::vector<ScreenDisplay> displays = screen->displays();
    ASSERT_EQ(displays.size(), 1u);
    EXPECT_EQ(displays[0].geometry, QRect(0, 0, 640, 480));
    EXPECT_TRUE(displays[0].primary);
    EXPECT_FALSE(displays[0].name.isEmpty());

    const ScreenGrab grab = screen->grabDisplay(displays[0]);
    EXPECT_EQ(grab.origin, QPoint(0, 0));
    EXPECT_EQ(grab.image.format(), QImage::Format_RGB32);
    EXPECT_EQ(grab.image.colorSpace(), QColorSpace(QColorSpace::SRgb));
    expectContent(grab.image, QImage(), QPoint());
}

TEST_F(X11ScreenGrabberTest, WindowsAreListedAndGrabbedWithTheirContent) {
    const QRect geometry(100, 60, 200, 120);
    const test::ShownTestWindow window(display, geometry, QColor(200, 40, 40),
                                       QStringLiteral("Grab me"));
    ASSERT_NE(window.id(), 0u) << "the test window did not appear";
    const test::ShownTestWindow front(display, QRect(400, 300, 100, 80), QColor(40, 200, 40),
                                      QStringLiteral("Front"));
    ASSERT_NE(front.id(), 0u);

    const std::vector<ScreenWindow> windows = screen->windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].id, front.id()) << "front-most first";
    EXPECT_EQ(windows[1],
              (ScreenWindow{window.id(), qint32(window.processID()), QStringLiteral("Grab me"),
                            QStringLiteral("lumbex_test_window"), geometry}));

    const QImage content = test::testWindowContent(geometry.size(), QColor(200, 40, 40));
    const ScreenGrab grabbed = screen->grabWindow(window.id());
    EXPECT_EQ(grabbed.origin, geometry.topLeft());
    expectContent(grabbed.image, content, QPoint());

    // An area across the window's top-left corner: part root, part window.
    const ScreenGrab area = screen->grabArea(QRect(90, 50, 40, 30));
    EXPECT_EQ(area.origin, QPoint(90, 50));
    ASSERT_EQ(area.image.size(), QSize(40, 30));
    expectContent(area.image, content, QPoint(10, 10));
}

TEST_F(X11ScreenGrabberTest, MissingWindowsAndAreasOffTheScreenFail) {
    const auto messageOf = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const LumbexError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(messageOf([&] { screen->grabWindow(0x7fffff); }),
              QStringLiteral("That window is no longer visible. Select it again."));
    EXPECT_EQ(messageOf([&] { screen->grabArea(QRect(600, 0, 41, 10)); }),
              QStringLiteral("The area is outside the screen. Select it again."));
    EXPECT_EQ(messageOf([&] { screen->grabArea(QRect(600, 0, 40, 10)); }), QString());
}

TEST_F(X11ScreenGrabberTest, ThePointerComesWithItsPositionAndHotSpot) {
    ASSERT_TRUE(
        display.run(QStringLiteral("xdotool"),
                    {QStringLiteral("mousemove"), QStringLiteral("123"), QStringLiteral("45")}));
    const std::optional<CursorImage> cursor = screen->cursor();
    ASSERT_TRUE(cursor);
    EXPECT_EQ(cursor->position, QPoint(123, 45));
    EXPECT_FALSE(cursor->image.isNull());
    EXPECT_TRUE(cursor->image.rect().contains(cursor->hotspot));
    EXPECT_EQ(cursor->image.format(), QImage::Format_ARGB32_Premultiplied);
}

TEST_F(X11ScreenGrabberTest, UnderAWindowManagerFramesIncludeTheDecorations) {
    // A window mapped while the manager is still starting may never be painted: wait until
    // the manager runs its start-up command.
    const test::WindowManager manager(display);
    ASSERT_TRUE(manager.ready()) << "openbox did not start";
    const QColor color(200, 40, 40);
    const test::ShownTestWindow window(display, QRect(100, 60, 200, 120), color,
                                       QStringLiteral("Framed"));
    ASSERT_NE(window.id(), 0u);

    // The manager reparents and frames the window shortly after it appears.
    std::optional<ScreenWindow> listed;
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && !(listed && listed->frame.height() > 120)) {
        const std::vector<ScreenWindow> windows = screen->windows();
        listed = windows.size() == 1 ? std::optional(windows[0]) : std::nullopt;
        QThread::msleep(50);
    }
    ASSERT_TRUE(listed) << "the managed window is not listed on its own";
    EXPECT_EQ(listed->id, window.id()) << "the application's window, not the manager's frame";
    EXPECT_EQ(listed->title, u"Framed");
    EXPECT_GT(listed->frame.width(), 200);
    EXPECT_GT(listed->frame.height(), 120);

    const ScreenGrab grabbed = screen->grabWindow(window.id());
    EXPECT_EQ(grabbed.origin, listed->frame.topLeft());
    EXPECT_EQ(grabbed.image, screen->grabArea(listed->frame).image);
    EXPECT_EQ(grabbed.image.pixel(grabbed.image.rect().center()), color.rgb());
    EXPECT_NE(grabbed.image.pixel(listed->frame.width() / 2, 2), color.rgb())
        << "the title bar is part of the picture";
}

TEST(X11ScreenGrabber, ServersThatCannotBeReadSaySo) {
    try {
        connectX11ScreenGrabber(":4999");
        ADD_FAILURE() << "connected to a display that does not exist";
    } catch (const LumbexError& e) {
        EXPECT_TRUE(e.message().startsWith(u"Lumbex couldn’t connect to the X display “:4999”."))
            << e.message().toStdString();
    }

    const test::VirtualDisplay sixteenBit(QSize(320, 240), 16);
    ASSERT_FALSE(sixteenBit.name().isEmpty());
    const auto screen = connectX11ScreenGrabber(sixteenBit.name().toLocal8Bit());
    try {
        screen->grabArea(QRect(0, 0, 10, 10));
        ADD_FAILURE() << "read a 16-bit screen as if it were 24-bit";
    } catch (const LumbexError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("This X display uses a 16-bit pixel format that "
                                              "Lumbex can’t read. Use a 24-bit display."));
    }
}

} // namespace
} // namespace lumbex
