#include "recording/recording_controller.h"
#include "support/recorder_rig.h"

#include <QDir>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Phase = ScreenRecorder::Phase;
using Source = RecordingRequest::Source;

struct FakePicker : CapturePicker {
    void present(const PickerRequest& request,
                 std::function<void(std::optional<CaptureSelection>)> done) override {
        requests.push_back(request);
        completion = std::move(done);
    }
    void cancel() override {
        ++cancels;
        if (completion)
            std::exchange(completion, nullptr)(std::nullopt);
    }
    std::vector<PickerRequest> requests;
    std::function<void(std::optional<CaptureSelection>)> completion;
    int cancels = 0;
};

struct FakeCountdown : CaptureCountdown {
    void start(int seconds, std::function<void(bool)> done) override {
        started.push_back(seconds);
        completion = std::move(done);
    }
    void cancel() override {
        ++cancels;
        completion = nullptr;
    }
    std::vector<int> started;
    std::function<void(bool)> completion;
    int cancels = 0;
};

struct FakeShell : CaptureShell {
    bool isActive() const override { return true; }
    void closeTransientPanels() override {}
    void hideWindows() override { ++hidden; }
    void restoreWindows(bool) override { ++restored; }
    void beep() override { ++beeps; }
    void showError(const QString& message) override { errors.push_back(message); }
    void openInEditor(const CaptureDelivery&) override {}
    void addToEditor(QObject*, const CaptureDelivery&) override {}
    void showQuickCapture(const CaptureDelivery&) override {}
    int hidden = 0;
    int restored = 0;
    int beeps = 0;
    QStringList errors;
};

struct FakePanel : RecordingPanel {
    void showWaiting(std::function<void()> cancel) override {
        waiting = true;
        cancelWaiting = std::move(cancel);
    }
    void show(const State& state) override {
        shown = true;
        states.push_back(state);
    }
    void keepClearOf(const Rect& area) override { recorded = area; }
    void close() override {
        waiting = false;
        shown = false;
    }
    bool waiting = false;
    bool shown = false;
    std::function<void()> cancelWaiting;
    std::vector<State> states;
    std::optional<Rect> recorded;
};

class RecordingControllerTest : public testing::Test {
public:
    RecordingController::Services services() {
        return {
            .picker = picker,
            .countdown = countdown,
            .shell = shell,
            .panel = panel,
            .displays = [this] { return rig.displays; },
            .windows = [this] { return rig.windows; },
            .checkMicrophone =
                [this](std::function<void(std::optional<QString>)> done) {
                    ++microphoneChecks;
                    microphoneAnswer = std::move(done);
                },
            .makeRecorder =
                [this](const CaptureSelection& selection, const ScreenRecordingOptions& options,
                       const QString& folder) {
                    folders.push_back(folder);
                    selections.push_back(selection);
                    return rig.makeRecorder(options, selection, folder);
                },
            .saveNote =
                [this](const ScreenRecorder& recorder) {
                    ++saves;
                    savedPhase = recorder.phase();
                    if (saveFailure)
                        throw LumbexError(*saveFailure);
                    return QStringLiteral("/notes/N.capturenote");
                },
            .openNote = [this](const QString& package) { opened.push_back(package); },
            .otherWorkBusy = [this] { return otherBusy; },
            .defer = [](std::function<void()> step) { step(); },
            .pendingFolder = rig.folder.path() + "/Pending Recordings",
            .clock = [this] { return rig.now; },
            .microphoneTimeoutMs = 50,
        };
    }

    CaptureRegion area() const { return {{10, 10, 400, 300}, rig.displays}; }

    // Chooses an area and lets the countdown finish: the recorder starts.
    void startRecording(RecordingController& controller, RecordingRequest request = {}) {
        controller.begin(request);
        ASSERT_TRUE(picker.completion);
        std::exchange(picker.completion, nullptr)(CaptureSelection(area()));
        ASSERT_TRUE(countdown.completion);
        std::exchange(countdown.completion, nullptr)(true);
        ASSERT_TRUE(controller.hasRecorder());
    }

    void waitForMicrophoneDeadline() {
        QElapsedTimer waited;
        waited.start();
        while (shell.errors.isEmpty() && waited.elapsed() < 3000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }

    bool pendingFolderExists() const {
        return QDir(rig.folder.path() + "/Pending Recordings").exists();
    }

    test::RecorderRig rig;
    FakePicker picker;
    FakeCountdown countdown;
    FakeShell shell;
    FakePanel panel;
    std::function<void(std::optional<QString>)> microphoneAnswer;
    int microphoneChecks = 0;
    std::vector<QString> folders;
    std::vector<CaptureSelection> selections;
    int saves = 0;
    std::optional<Phase> savedPhase;
    std::optional<QString> saveFailure;
    std::vector<QString> opened;
    bool otherBusy = false;
};

TEST_F(RecordingControllerTest, RecordsFromTheChosenAreaToAnOpenedNote) {
    RecordingController controller(services());
    RecordingRequest request;
    request.countdown = 5;
    startRecording(controller, request);
    EXPECT_EQ(shell.hidden, 1);
    ASSERT_EQ(picker.requests.size(), 1u);
    EXPECT_FALSE(picker.requests[0].chooseWindow);
    EXPECT_EQ(countdown.started, std::vector<int>{5});
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_TRUE(folders[0].startsWith(rig.folder.path() + "/Pending Recordings/"));
    EXPECT_EQ(controller.panelState().clock, "Preparing · 00:00.000");
    EXPECT_EQ(panel.recorded, (Rect{10, 10, 400, 300})) << "the panel stays off the recorded area";
    EXPECT_FALSE(controller.panelState().pauseEnabled);
    EXPECT_TRUE(controller.panelState().stopEnabled);

    rig.sendPicture(*ScreenRecorder::current());
    rig.now += 12'345'000;
    RecordingPanel::State state = controller.panelState();
    EXPECT_EQ(state.clock, "Recording · 00:12.345");
    EXPECT_TRUE(state.pauseEnabled);
    EXPECT_FALSE(state.paused);
    ASSERT_TRUE(panel.shown);

    controller.togglePause();
    EXPECT_TRUE(controller.isPaused());
    rig.now += 60'000'000;
    state = controller.panelState();
    EXPECT_EQ(state.clock, "Paused · 00:12.345") << "a pause does not count";
    EXPECT_TRUE(state.paused);

    controller.stopRecording();
    controller.stopRecording();
    EXPECT_EQ(saves, 1) << "stopping twice finishes once";
    EXPECT_EQ(savedPhase, Phase::Finished);
    EXPECT_EQ(opened, std::vector<QString>{"/notes/N.capturenote"});
    EXPECT_EQ(shell.restored, 1);
    EXPECT_FALSE(panel.shown);
    EXPECT_FALSE(controller.isBusy());
    EXPECT_TRUE(shell.errors.isEmpty());
}

// Where the desktop's own dialog chooses the window (Wayland's portal), the picker stays away and
// the recorder asks the dialog when it starts.
TEST_F(RecordingControllerTest, AWindowChosenInTheDesktopsDialogSkipsThePicker) {
    for (const bool inDialog : {true, false}) {
        SCOPED_TRACE(inDialog);
        picker.requests.clear();
        selections.clear();
        RecordingController::Services s = services();
        s.windowsChosenInDialog = [inDialog] { return inDialog; };
        rig.windows = {{kWindowChosenInDialog, 0, QStringLiteral("Window"), {0, 0, 64, 48}}};
        RecordingController controller(std::move(s));
        RecordingRequest request;
        request.source = RecordingRequest::Source::Window;
        controller.begin(request);
        if (!inDialog) {
            ASSERT_EQ(picker.requests.size(), 1u);
            EXPECT_TRUE(picker.requests[0].chooseWindow);
            continue;
        }
        EXPECT_TRUE(picker.requests.empty());
        ASSERT_TRUE(countdown.completion);
        std::exchange(countdown.completion, nullptr)(true);
        ASSERT_TRUE(controller.hasRecorder());
        ASSERT_EQ(selections.size(), 1u);
        EXPECT_EQ(selections[0], CaptureSelection(CaptureWindow{kWindowChosenInDialog, 0, {}, {}}));
        controller.stopRecording();
    }
}

// Cancel in the desktop's dialog as the recorder starts ends the attempt quietly and leaves no
// recording behind; a failure there is still shown.
TEST_F(RecordingControllerTest, ACancelledDialogChoiceLeavesNothing) {
    struct Row {
        int systemError;
        bool shown;
    } rows[] = {{ECANCELED, false}, {0, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.systemError);
        shell.errors.clear();
        RecordingController::Services s = services();
        s.windowsChosenInDialog = [] { return true; };
        rig.windowsFailure = LumbexError(QStringLiteral("No window was shared."), row.systemError);
        RecordingController controller(std::move(s));
        RecordingRequest request;
        request.source = RecordingRequest::Source::Window;
        controller.begin(request);
        ASSERT_TRUE(countdown.completion);
        std::exchange(countdown.completion, nullptr)(true);
        EXPECT_FALSE(controller.hasRecorder());
        EXPECT_FALSE(controller.isBusy());
        EXPECT_EQ(shell.errors, row.shown ? QStringList{"No window was shared."} : QStringList{});
        ASSERT_FALSE(folders.empty());
        EXPECT_EQ(QDir(folders.back()).exists(), row.shown);
    }
}

TEST_F(RecordingControllerTest, CancellingBeforeTheRecorderStartsLeavesNothing) {
    const struct {
        const char* name;
        std::function<void(RecordingControllerTest&, RecordingController&)> cancel;
    } cases[] = {
        {"the picker is cancelled",
         [](RecordingControllerTest& t, RecordingController&) {
             std::exchange(t.picker.completion, nullptr)(std::nullopt);
         }},
        {"Stop while choosing",
         [](RecordingControllerTest&, RecordingController& c) { c.stopRecording(); }},
        {"Stop during the countdown",
         [](RecordingControllerTest& t, RecordingController& c) {
             std::exchange(t.picker.completion, nullptr)(CaptureSelection(t.area()));
             c.stopRecording();
             EXPECT_EQ(t.countdown.cancels, 1);
         }},
        {"the countdown is cancelled",
         [](RecordingControllerTest& t, RecordingController&) {
             std::exchange(t.picker.completion, nullptr)(CaptureSelection(t.area()));
             std::exchange(t.countdown.completion, nullptr)(false);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        shell = {};
        RecordingController controller(services());
        controller.begin({});
        c.cancel(*this, controller);
        EXPECT_FALSE(controller.isBusy());
        EXPECT_FALSE(controller.hasRecorder());
        EXPECT_EQ(shell.restored, 1) << "every hidden window comes back";
        EXPECT_TRUE(shell.errors.isEmpty());
        EXPECT_TRUE(folders.empty());
        EXPECT_FALSE(pendingFolderExists());
        EXPECT_EQ(saves, 0);
    }
}

TEST_F(RecordingControllerTest, AStaleStepOfAnEndedAttemptDoesNothing) {
    RecordingController controller(services());
    controller.begin({});
    const auto oldPicker = picker.completion;
    controller.stopRecording();
    controller.begin({});
    oldPicker(CaptureSelection(area()));
    EXPECT_TRUE(countdown.started.empty()) << "the old attempt's choice is dropped";
    ASSERT_TRUE(picker.completion);
}

TEST_F(RecordingControllerTest, TheMicrophoneIsCheckedBeforeChoosingTheSource) {
    RecordingRequest request;
    request.options.microphone = true;
    {
        RecordingController controller(services());
        controller.begin(request);
        EXPECT_TRUE(panel.waiting);
        EXPECT_TRUE(picker.requests.empty());
        microphoneAnswer(std::nullopt);
        EXPECT_FALSE(panel.waiting);
        EXPECT_EQ(picker.requests.size(), 1u);
        controller.stopRecording();
    }
    {
        RecordingController controller(services());
        controller.begin(request);
        microphoneAnswer(QStringLiteral("No microphone could be opened."));
        EXPECT_EQ(shell.errors, QStringList{"No microphone could be opened. Turn off Record "
                                            "microphone to record video without it."});
        EXPECT_EQ(picker.requests.size(), 1u) << "no picker for a refused microphone";
        EXPECT_FALSE(controller.isBusy());
    }
    {
        shell.errors.clear();
        RecordingController controller(services());
        controller.begin(request);
        panel.cancelWaiting();
        EXPECT_FALSE(controller.isBusy());
        EXPECT_FALSE(panel.waiting);
        EXPECT_TRUE(shell.errors.isEmpty());
    }
}

TEST_F(RecordingControllerTest, AMicrophoneThatNeverAnswersEndsTheAttempt) {
    RecordingRequest request;
    request.options.microphone = true;
    RecordingController controller(services());
    controller.begin(request);
    waitForMicrophoneDeadline();
    EXPECT_EQ(shell.errors,
              QStringList{"The microphone didn’t respond. Check that the sound server is running, "
                          "or turn off Record microphone and try again."});
    EXPECT_FALSE(controller.isBusy());
    microphoneAnswer(std::nullopt);
    EXPECT_TRUE(picker.requests.empty()) << "a late answer starts nothing";
    EXPECT_TRUE(folders.empty());
}

TEST_F(RecordingControllerTest, RefusesBesideOtherWorkAndWithoutAMainDisplay) {
    {
        otherBusy = true;
        RecordingController controller(services());
        controller.begin({});
        EXPECT_EQ(shell.beeps, 1);
        EXPECT_FALSE(controller.isBusy());
        EXPECT_TRUE(picker.requests.empty());
    }
    {
        otherBusy = false;
        for (CaptureDisplay& d : rig.displays)
            d.isMain = false;
        RecordingController controller(services());
        RecordingRequest request;
        request.source = Source::Display;
        controller.begin(request);
        EXPECT_EQ(shell.errors, QStringList{"No main display is available."});
        EXPECT_FALSE(controller.isBusy());
        EXPECT_EQ(shell.restored, 1);
    }
}

TEST_F(RecordingControllerTest, FinishingWithoutShowingSavesButDoesNotOpen) {
    RecordingController controller(services());
    startRecording(controller);
    rig.sendPicture(*ScreenRecorder::current());
    rig.now += 2'000'000;
    controller.finish(false);
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(shell.restored, 0);
    EXPECT_FALSE(controller.isBusy());
}

TEST_F(RecordingControllerTest, AFailedSaveIsShownAndKeepsTheFolder) {
    saveFailure = QStringLiteral("The disk is full.");
    RecordingController controller(services());
    startRecording(controller);
    rig.sendPicture(*ScreenRecorder::current());
    rig.now += 2'000'000;
    controller.stopRecording();
    EXPECT_EQ(shell.errors, QStringList{"The disk is full."});
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(QFileInfo(folders.at(0) + "/recording.json").isFile());
    EXPECT_FALSE(controller.isBusy());
}

} // namespace
} // namespace lumbex
