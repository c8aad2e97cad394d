#include "capture/capture_controller.h"
#include "capture/screen_lists.h"
#include "model/image_files.h"
#include "support/fake_screen_grabber.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <deque>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Mode = CaptureController::Mode;
using Phase = CaptureController::Phase;
using test::positionCode;

constexpr qint32 kOwnProcess = 4242;

class FakePicker final : public CapturePicker {
public:
    void present(const PickerRequest& r,
                 std::function<void(std::optional<CaptureSelection>)> done) override {
        request = r;
        completion = std::move(done);
        ++presented;
    }
    void cancel() override {
        if (auto done = std::exchange(completion, nullptr))
            done(std::nullopt);
    }
    // The user confirms a selection (or cancels with nothing).
    void choose(const std::optional<CaptureSelection>& selection) {
        if (auto done = std::exchange(completion, nullptr))
            done(selection);
    }

    int presented = 0;
    std::optional<PickerRequest> request;
    std::function<void(std::optional<CaptureSelection>)> completion;
};

class FakeCountdown final : public CaptureCountdown {
public:
    void start(int s, std::function<void(bool)> done) override {
        seconds = s;
        completion = std::move(done);
    }
    void cancel() override { completion = nullptr; }
    void end(bool finished) {
        if (auto done = std::exchange(completion, nullptr))
            done(finished);
    }

    int seconds = 0;
    std::function<void(bool)> completion;
};

class FakeShell final : public CaptureShell {
public:
    bool isActive() const override { return active; }
    void closeTransientPanels() override { events.push_back(QStringLiteral("close panels")); }
    void hideWindows() override { events.push_back(QStringLiteral("hide")); }
    void restoreWindows(bool activate) override {
        events.push_back(activate ? QStringLiteral("restore and activate")
                                  : QStringLiteral("restore"));
    }
    void beep() override { events.push_back(QStringLiteral("beep")); }
    void showError(const QString& message) override {
        events.push_back(QStringLiteral("error: ") + message);
    }
    void openInEditor(const CaptureDelivery& capture) override {
        events.push_back(QStringLiteral("editor"));
        delivered = capture;
    }
    void addToEditor(QObject* editor, const CaptureDelivery& capture) override {
        events.push_back(QStringLiteral("add to ") + editor->objectName());
        delivered = capture;
    }
    void showQuickCapture(const CaptureDelivery& capture) override {
        events.push_back(QStringLiteral("quick"));
        delivered = capture;
    }

    bool active = true;
    QStringList events;
    std::optional<CaptureDelivery> delivered;
};

class CaptureControllerTest : public ::testing::Test {
protected:
    CaptureControllerTest()
        : screen(test::positionCodedDesktop(QSize(640, 480))),
          settingsFile(folder.path(QStringLiteral("settings.ini")), QSettings::IniFormat),
          settings(settingsFile),
          controller({screen, picker, countdown, shell, settings,
                      [this](std::function<void()> step) { deferred.push_back(std::move(step)); },
                      kOwnProcess}) {
        screen.windowList = {
            {11, kOwnProcess, QStringLiteral("Editor"), QStringLiteral("Lumbex"),
             QRect(0, 0, 300, 300)},
            {7, 300, QStringLiteral("Notes"), QStringLiteral("Editor"), QRect(100, 50, 200, 120)},
        };
    }

    // The pause that lets hidden windows leave the screen ends.
    void settle() {
        while (!deferred.empty()) {
            auto step = std::move(deferred.front());
            deferred.pop_front();
            step();
        }
    }
    void waitUntilIdle() {
        const QDeadlineTimer deadline(10000);
        while (controller.phase() != Phase::Idle && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_EQ(controller.phase(), Phase::Idle);
    }
    std::vector<CaptureDisplay> displays() { return captureDisplays(screen.displayList); }
    CaptureRegion region(Rect rect) { return {rect, displays()}; }
    QImage deliveredImage() {
        EXPECT_TRUE(shell.delivered.has_value());
        return shell.delivered ? ImageFiles::image(shell.delivered->shot.png) : QImage();
    }

    test::TemporaryFolder folder;
    test::FakeScreenGrabber screen;
    FakePicker picker;
    FakeCountdown countdown;
    FakeShell shell;
    QSettings settingsFile;
    CaptureSettings settings;
    std::deque<std::function<void()>> deferred;
    CaptureController controller;
};

TEST_F(CaptureControllerTest, AnAreaCaptureHidesPicksReadsAndOpensTheEditor) {
    controller.capture(Mode::Area, true);
    EXPECT_EQ(controller.phase(), Phase::Selecting);
    EXPECT_EQ(picker.presented, 0) << "the picker waits until the windows are gone";
    settle();
    ASSERT_TRUE(picker.request);
    EXPECT_FALSE(picker.request->chooseWindow);
    EXPECT_EQ(picker.request->displays, displays());
    ASSERT_EQ(picker.request->windows.size(), 1u) << "the application's own window is left out";
    EXPECT_EQ(picker.request->windows[0].id, 7u);

    picker.choose(region({10, 20, 30, 40}));
    EXPECT_EQ(controller.phase(), Phase::Capturing);
    waitUntilIdle();
    EXPECT_EQ(shell.events,
              (QStringList{"close panels", "hide", "restore and activate", "editor"}));
    const QImage image = deliveredImage();
    ASSERT_EQ(image.size(), QSize(30, 40));
    EXPECT_EQ(image.pixel(0, 0), positionCode(10, 20));
    EXPECT_TRUE(shell.delivered->name.startsWith(u"Capture "));
    EXPECT_EQ(settings.lastCaptureRegion(), region({10, 20, 30, 40}));
    EXPECT_FALSE(controller.isCapturing());
}

TEST_F(CaptureControllerTest, ASecondCaptureWhileOneRunsOnlyBeeps) {
    controller.capture(Mode::Area, true);
    controller.capture(Mode::Display, false);
    settle();
    EXPECT_EQ(shell.events, (QStringList{"close panels", "hide", "beep"}));
    EXPECT_EQ(picker.presented, 1);
    EXPECT_EQ(screen.grabCount, 0);
}

TEST_F(CaptureControllerTest, CancellingInThePickerBringsTheWindowsBackWithoutCapturing) {
    for (bool wasActive : {true, false}) {
        shell.events.clear();
        shell.active = wasActive;
        controller.capture(Mode::Window, false);
        settle();
        EXPECT_TRUE(picker.request->chooseWindow);
        picker.choose(std::nullopt);
        EXPECT_EQ(controller.phase(), Phase::Idle);
        EXPECT_EQ(shell.events.last(), wasActive ? u"restore and activate" : u"restore");
    }
    EXPECT_EQ(screen.grabCount, 0);
    EXPECT_FALSE(shell.delivered);
}

TEST_F(CaptureControllerTest, ASupersededRequestNeverActs) {
    controller.capture(Mode::Area, false);
    controller.cancel(true); // before its picker appeared
    controller.capture(Mode::Display, true);
    settle(); // runs the first request's pending step too: it must do nothing
    EXPECT_EQ(picker.presented, 0);
    waitUntilIdle();
    EXPECT_EQ(deliveredImage().size(), QSize(640, 480));

    // A picker that answers after its request was cancelled and replaced.
    shell.delivered.reset();
    controller.capture(Mode::Area, false);
    settle();
    auto staleCompletion = picker.completion;
    picker.completion = nullptr;
    controller.cancel(true);
    controller.capture(Mode::Area, false);
    settle();
    staleCompletion(region({0, 0, 10, 10}));
    EXPECT_EQ(controller.phase(), Phase::Selecting) << "the new request still waits for its pick";
    picker.choose(region({5, 5, 20, 20}));
    waitUntilIdle();
    EXPECT_EQ(deliveredImage().size(), QSize(20, 20));
    EXPECT_EQ(settings.lastCaptureRegion()->rect, (Rect{5, 5, 20, 20}));
}

TEST_F(CaptureControllerTest, ADelayCountsDownAtMostThirtySecondsBeforeReading) {
    controller.capture(Mode::Display, false, nullptr, 45);
    settle();
    EXPECT_EQ(controller.phase(), Phase::CountingDown);
    EXPECT_EQ(countdown.seconds, 30);
    EXPECT_EQ(screen.grabCount, 0);
    countdown.end(true);
    waitUntilIdle();
    EXPECT_EQ(shell.events.mid(2), (QStringList{"restore", "quick"}));
    EXPECT_EQ(screen.grabCount, 1);

    // Cancelled countdowns capture nothing; a delay below one second does not count down.
    controller.capture(Mode::Display, false, nullptr, 3);
    settle();
    countdown.end(false);
    EXPECT_EQ(controller.phase(), Phase::Idle);
    EXPECT_EQ(screen.grabCount, 1);
    countdown.seconds = 0;
    controller.capture(Mode::Display, false, nullptr, 0);
    settle();
    EXPECT_EQ(countdown.seconds, 0);
    waitUntilIdle();
    EXPECT_EQ(screen.grabCount, 2);
}

TEST_F(CaptureControllerTest, CaptureLastAreaRepeatsTheStoredRegionWhileTheDisplaysMatch) {
    EXPECT_FALSE(controller.canRepeat());
    controller.capture(Mode::LastArea, true);
    EXPECT_EQ(shell.events,
              (QStringList{"error: Capture an area first, then repeat it with Capture Last "
                           "Area."}));
    EXPECT_FALSE(controller.isCapturing());

    settings.setLastCaptureRegion(region({100, 100, 64, 48}));
    EXPECT_TRUE(controller.canRepeat());
    shell.events.clear();
    controller.capture(Mode::LastArea, true);
    settle();
    waitUntilIdle();
    EXPECT_EQ(picker.presented, 0);
    EXPECT_EQ(deliveredImage().pixel(0, 0), positionCode(100, 100));

    screen.displayList[0].geometry = QRect(0, 0, 1024, 768); // another monitor
    EXPECT_FALSE(controller.canRepeat());
    shell.events.clear();
    controller.capture(Mode::LastArea, true);
    EXPECT_EQ(shell.events, (QStringList{"error: The display setup changed. Select an area again "
                                         "before repeating it."}));
    EXPECT_EQ(screen.grabCount, 1);
}

TEST_F(CaptureControllerTest, AFailedReadEndsTheRequestWithTheWindowsBack) {
    controller.capture(Mode::Window, true);
    settle();
    const CaptureWindow picked = picker.request->windows[0];
    screen.windowList.pop_back(); // the window closes after the pick
    picker.choose(picked);
    waitUntilIdle();
    EXPECT_EQ(shell.events.mid(2),
              (QStringList{"restore and activate",
                           "error: That window is no longer visible. Select it again."}));
    EXPECT_FALSE(shell.delivered);
}

// Wayland keeps windows private, but the portal's own dialog chooses one: Lumbex's picker stays
// away and the dialog's answer is the capture.
TEST_F(CaptureControllerTest, AWindowChosenInTheDesktopsDialogSkipsThePicker) {
    screen.offered = ScreenCapability::ReadScreen | ScreenCapability::RecordScreen |
                     ScreenCapability::ChooseWindow;
    QImage chosen(50, 30, QImage::Format_RGB32);
    chosen.fill(QColor(10, 200, 60));
    screen.chosenWindow = chosen;
    settings.setIncludeWindowShadow(false);
    controller.capture(Mode::Window, true);
    settle();
    waitUntilIdle();
    EXPECT_EQ(picker.presented, 0);
    EXPECT_EQ(screen.chooseCount, 1);
    EXPECT_EQ(shell.events,
              (QStringList{"close panels", "hide", "restore and activate", "editor"}));
    const QImage image = deliveredImage();
    ASSERT_EQ(image.size(), chosen.size());
    EXPECT_EQ(QColor(image.pixel(25, 15)), QColor(10, 200, 60));
    EXPECT_EQ(shell.delivered->selection,
              CaptureSelection(CaptureWindow{kWindowChosenInDialog, 0, {}, {}}));
}

// Cancel in the desktop's dialog is the picker's Escape: the windows come back, nothing is said.
TEST_F(CaptureControllerTest, ACancelledDialogChoiceEndsQuietly) {
    screen.offered = ScreenCapability::ReadScreen | ScreenCapability::RecordScreen |
                     ScreenCapability::ChooseWindow;
    controller.capture(Mode::Window, true);
    settle();
    waitUntilIdle();
    EXPECT_EQ(screen.chooseCount, 1);
    EXPECT_EQ(shell.events, (QStringList{"close panels", "hide", "restore and activate"}));
    EXPECT_FALSE(shell.delivered);
}

TEST_F(CaptureControllerTest, AnUnavailableScreenOrNoMainDisplayIsExplained) {
    screen.failure = QStringLiteral("Lumbex needs an X11 display to capture the screen.");
    controller.capture(Mode::Area, true);
    EXPECT_EQ(shell.events,
              (QStringList{"error: Lumbex needs an X11 display to capture the screen."}));
    EXPECT_FALSE(controller.isCapturing());

    screen.failure.reset();
    screen.displayList[0].primary = false;
    shell.events.clear();
    controller.capture(Mode::Display, true);
    settle();
    EXPECT_EQ(shell.events.mid(2),
              (QStringList{"restore and activate", "error: No display is available."}));
    EXPECT_FALSE(controller.isCapturing());
}

TEST_F(CaptureControllerTest, CaptureIntoThisNoteGoesToItsEditorWhileItIsOpen) {
    auto editor = std::make_unique<QObject>();
    editor->setObjectName(QStringLiteral("note A"));
    controller.capture(Mode::Display, false, editor.get());
    settle();
    waitUntilIdle();
    EXPECT_EQ(shell.events.mid(2), (QStringList{"restore and activate", "add to note A"}));

    shell.events.clear();
    shell.delivered.reset();
    controller.capture(Mode::Display, false, editor.get(), 5);
    settle();
    editor.reset(); // the note was closed during the countdown
    countdown.end(true);
    EXPECT_EQ(controller.phase(), Phase::Idle);
    EXPECT_EQ(shell.events.mid(2), (QStringList{"restore and activate"}));
    EXPECT_FALSE(shell.delivered);
}

} // namespace
} // namespace lumbex
