#include "core/error.h"
#include "platform/recording_sources.h"
#include "support/frame_collector.h"
#include "support/qt_printers.h"
#include "support/shown_test_window.h"
#include "support/test_window.h"
#include "support/window_manager.h"

#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <xcb/xcb.h>

namespace lumbex {
namespace {

const QColor rootColor(0x33, 0x66, 0x99);
using Frames = std::vector<VideoSample>;

// Draws straight onto the root window from a connection of its own, as any program's drawing
// reaches the screen.
class RootPainter {
public:
    explicit RootPainter(const QString& display)
        : connection_(xcb_connect(display.toLocal8Bit().constData(), nullptr)) {
        screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        gc_ = xcb_generate_id(connection_);
        xcb_create_gc(connection_, gc_, screen_->root, 0, nullptr);
    }
    ~RootPainter() { xcb_disconnect(connection_); }

    void fill(QRect rect, QColor color) {
        const uint32_t pixel = color.rgb() & 0xffffff;
        xcb_change_gc(connection_, gc_, XCB_GC_FOREGROUND, &pixel);
        const xcb_rectangle_t r{int16_t(rect.x()), int16_t(rect.y()), uint16_t(rect.width()),
                                uint16_t(rect.height())};
        xcb_poly_fill_rectangle(connection_, screen_->root, gc_, 1, &r);
        // Round trip: the drawing has reached the screen when this returns.
        std::free(
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

private:
    xcb_connection_t* connection_;
    xcb_screen_t* screen_;
    xcb_gcontext_t gc_ = 0;
};

bool allPixels(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != colour)
                return false;
    return true;
}

bool anyPixelDiffers(const QImage& image, QRect part, QRgb colour) {
    part &= image.rect();
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            if (image.pixel(x, y) != colour)
                return true;
    return false;
}

// Keeps copies, as a movie writer that encodes each frame does: the source's own buffers go back
// to it.
ScreenFrameSource::Deliver keepingCopies(test::SampleCollector<VideoSample>& collector) {
    return [deliver = collector.deliver()](VideoSample sample) {
        sample.image = sample.image.copy();
        deliver(std::move(sample));
    };
}

// Repaints part of the root window every few milliseconds until it ends.
class Animation {
public:
    Animation(const QString& display, QRect area, int intervalMs)
        : thread_([this, display, area, intervalMs] {
              RootPainter painter(display);
              for (int i = 0; running_; ++i) {
                  painter.fill(QRect(area.x() + i % area.width(), area.y(),
                                     std::min(40, area.width()), std::min(40, area.height())),
                               QColor::fromHsv(i % 360, 255, 255));
                  std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
              }
          }) {}
    ~Animation() {
        running_ = false;
        thread_.join();
    }

private:
    std::atomic<bool> running_ = true;
    std::thread thread_;
};

class X11FrameSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(
            display.run(QStringLiteral("xsetroot"), {QStringLiteral("-solid"), rootColor.name()}));
        // The pointer rests away from the areas the tests record.
        ASSERT_TRUE(
            display.run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"),
                                                    QStringLiteral("630"), QStringLiteral("470")}));
    }
    void TearDown() override {
        if (source)
            source->stop();
    }

    void start(const ScreenFrameSettings& settings) {
        source = openX11FrameSource(display.name().toLocal8Bit(), settings);
        source->start(keepingCopies(frames), frames.failed());
    }
    bool waitForFrames(size_t count, int ms = 2000) {
        return frames.waitFor([&](const Frames& all) { return all.size() >= count; }, ms);
    }
    bool waitForFrame(const std::function<bool(const QImage&)>& matches, int ms = 2000) {
        return frames.waitFor(
            [&](const Frames& all) { return !all.empty() && matches(all.back().image); }, ms);
    }
    bool xdotool(const QStringList& arguments) {
        return display.run(QStringLiteral("xdotool"), arguments);
    }

    test::VirtualDisplay display;
    test::SampleCollector<VideoSample> frames;
    std::unique_ptr<ScreenFrameSource> source;
};

TEST_F(X11FrameSourceTest, AStillScreenGivesOnlyTheFirstFrame) {
    start({QRect(10, 20, 200, 100), false, false});
    ASSERT_TRUE(waitForFrames(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));

    const Frames all = frames.samples();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].image.size(), QSize(200, 100));
    EXPECT_EQ(all[0].image.format(), QImage::Format_RGB32);
    EXPECT_TRUE(allPixels(all[0].image, rootColor.rgb()));
    EXPECT_LE(all[0].time, hostClockMicroseconds());
    EXPECT_TRUE(frames.failures().empty());
}

TEST_F(X11FrameSourceTest, AChangeInsideTheAreaArrivesWithinTwoFrames) {
    start({QRect(0, 0, 320, 240), false, false});
    ASSERT_TRUE(waitForFrames(1));
    RootPainter painter(display.name());
    struct Row {
        const char* how;
        std::function<void()> change;
        QRect part; // in the recorded image
        QColor colour;
    } rows[] = {
        {"a program drawing", [&] { painter.fill(QRect(50, 60, 30, 20), Qt::red); },
         QRect(50, 60, 30, 20), Qt::red},
        {"a new root colour",
         [&] {
             display.run(QStringLiteral("xsetroot"),
                         {QStringLiteral("-solid"), QStringLiteral("#00ff00")});
         },
         QRect(0, 0, 320, 240), Qt::green},
    };
    for (const Row& row : rows) {
        QElapsedTimer elapsed;
        row.change();
        elapsed.start();
        EXPECT_TRUE(waitForFrame([&](const QImage& image) {
            return allPixels(image.copy(row.part), row.colour.rgb());
        })) << row.how;
        EXPECT_LT(elapsed.elapsed(), 150) << row.how;
    }
}

TEST_F(X11FrameSourceTest, ChangesOutsideTheAreaGiveNoFrame) {
    start({QRect(0, 0, 100, 100), false, false});
    ASSERT_TRUE(waitForFrames(1));
    RootPainter painter(display.name());
    for (int i = 0; i < 20; ++i) {
        painter.fill(QRect(100, 0, 50, 50), i % 2 ? Qt::red : Qt::blue);
        painter.fill(QRect(0, 100, 50, 50), i % 2 ? Qt::red : Qt::blue);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(frames.samples().size(), 1u);
}

TEST_F(X11FrameSourceTest, ContinuousChangeGivesAtMostThirtyFramesASecondOnAnEvenClock) {
    start({QRect(0, 0, 640, 480), false, false});
    ASSERT_TRUE(waitForFrames(1));
    {
        const Animation animation(display.name(), QRect(0, 100, 600, 40), 3);
        std::this_thread::sleep_for(std::chrono::milliseconds(2000));
    }
    source->stop();

    const Frames all = frames.samples();
    // Two seconds at 30 per second, the first frame and one tick of slack.
    EXPECT_LE(all.size(), 62u);
    EXPECT_GE(all.size(), 45u) << "frames were lost under steady change";
    for (size_t i = 2; i < all.size(); ++i) {
        const qint64 gap = all[i].time - all[i - 1].time;
        EXPECT_GT(gap, 0) << "frame " << i;
        EXPECT_GE(gap, 25'000) << "frame " << i << " came in a burst";
    }
    if (all.size() > 11) {
        const qint64 span = all.back().time - all[1].time;
        EXPECT_NEAR(double(span) / double(all.size() - 2), 33'333, 4'000);
    }
}

TEST_F(X11FrameSourceTest, ThePointerIsDrawnOnlyWhenAskedFor) {
    for (const bool cursor : {true, false}) {
        SCOPED_TRACE(cursor ? "with the pointer" : "without the pointer");
        test::SampleCollector<VideoSample> collected;
        auto recording = openX11FrameSource(display.name().toLocal8Bit(),
                                            {QRect(0, 0, 320, 240), cursor, false});
        recording->start(keepingCopies(collected), collected.failed());
        ASSERT_TRUE(collected.waitFor([](const Frames& all) { return !all.empty(); }, 2000));
        ASSERT_TRUE(
            xdotool({QStringLiteral("mousemove"), QStringLiteral("100"), QStringLiteral("80")}));
        const auto drawn = [](const Frames& all) {
            return !all.empty() &&
                   anyPixelDiffers(all.back().image, QRect(90, 70, 21, 21), rootColor.rgb());
        };
        EXPECT_EQ(collected.waitFor(drawn, cursor ? 2000 : 500), cursor);
        if (!cursor) {
            EXPECT_EQ(collected.samples().size(), 1u)
                << "moving an undrawn pointer changes nothing";
        }
        recording->stop();
        ASSERT_TRUE(
            xdotool({QStringLiteral("mousemove"), QStringLiteral("630"), QStringLiteral("470")}));
    }
}

TEST_F(X11FrameSourceTest, AClickDrawsAFadingRingAroundThePointer) {
    ASSERT_TRUE(
        xdotool({QStringLiteral("mousemove"), QStringLiteral("150"), QStringLiteral("120")}));
    start({QRect(0, 0, 320, 240), false, true});
    ASSERT_TRUE(waitForFrames(1));
    ASSERT_TRUE(xdotool({QStringLiteral("click"), QStringLiteral("1")}));
    const QRect onTheRing(150 + 24 - 1, 120 - 1, 3, 3);
    EXPECT_TRUE(waitForFrame(
        [&](const QImage& image) { return anyPixelDiffers(image, onTheRing, rootColor.rgb()); }));
    // Faded out again, and then the screen is still.
    EXPECT_TRUE(
        waitForFrame([&](const QImage& image) { return allPixels(image, rootColor.rgb()); }, 1500));
    const size_t settled = frames.samples().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(frames.samples().size(), settled);
}

TEST_F(X11FrameSourceTest, AWindowIsFollowedUntilItCloses) {
    const test::WindowManager manager(display);
    ASSERT_TRUE(manager.ready());
    auto window = std::make_unique<test::ShownTestWindow>(
        display, QRect(40, 50, 160, 100), QColor(200, 40, 40), QStringLiteral("Record me"));
    ASSERT_NE(window->id(), 0u);
    start({window->id(), false, false});
    ASSERT_TRUE(waitForFrames(1));
    const QImage before = frames.samples().front().image;
    const QImage content = test::testWindowContent(QSize(160, 100), QColor(200, 40, 40));
    ASSERT_GE(before.width(), 160);
    ASSERT_GE(before.height(), 100);

    ASSERT_TRUE(xdotool({QStringLiteral("windowmove"), QString::number(window->id()),
                         QStringLiteral("300"), QStringLiteral("250")}));
    // Once the moved window has repainted, the frame shows it as before.
    EXPECT_TRUE(frames.waitFor(
        [&](const Frames& all) { return all.size() > 1 && all.back().image == before; }, 3000));

    window.reset();
    ASSERT_TRUE(frames.waitForFailure(2000));
    const int callbacks = frames.callbacks();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(frames.failures(),
              std::vector{QStringLiteral("The selected window is no longer available.")});
    EXPECT_EQ(frames.callbacks(), callbacks) << "nothing after the failure";
}

TEST_F(X11FrameSourceTest, StopIsPromptAndEndsTheCallbacks) {
    start({QRect(0, 0, 640, 480), true, true});
    ASSERT_TRUE(waitForFrames(1));
    const Animation animation(display.name(), QRect(0, 0, 640, 480), 5);
    ASSERT_TRUE(waitForFrames(5));
    QElapsedTimer elapsed;
    elapsed.start();
    source->stop();
    EXPECT_LT(elapsed.elapsed(), 200);
    const int callbacks = frames.callbacks();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(frames.callbacks(), callbacks);
}

TEST_F(X11FrameSourceTest, SourcesThatCannotBeRecordedAreRefusedWithAReason) {
    struct Row {
        const char* name;
        QByteArray display;
        ScreenFrameSettings settings;
        const char* message;
    } rows[] = {
        {"no such display", ":9999", {QRect(0, 0, 10, 10)}, "couldn’t connect to the X display"},
        {"an area off the screen",
         display.name().toLocal8Bit(),
         {QRect(700, 500, 10, 10)},
         "The recording area is outside the screen. Select it again."},
        {"a window that does not exist",
         display.name().toLocal8Bit(),
         {quint32(0x3fffff)},
         "The selected window is no longer available."},
    };
    for (const Row& row : rows) {
        try {
            openX11FrameSource(row.display, row.settings);
            ADD_FAILURE() << row.name << ": opened";
        } catch (const LumbexError& error) {
            EXPECT_TRUE(error.message().contains(QString::fromUtf8(row.message)))
                << row.name << ": " << error.message().toStdString();
        }
    }
}

} // namespace
} // namespace lumbex
