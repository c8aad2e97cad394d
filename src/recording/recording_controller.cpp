#include "recording/recording_controller.h"

#include "capture/capture_coordinates.h"
#include "core/files.h"
#include "records/recording_time.h"

#include <QDir>

namespace lumbex {
namespace {

using Phase = ScreenRecorder::Phase;

QString phaseLabel(Phase phase) {
    switch (phase) {
    case Phase::Recording:
        return QStringLiteral("Recording");
    case Phase::Paused:
        return QStringLiteral("Paused");
    case Phase::Finishing:
    case Phase::Finished:
        return QStringLiteral("Saving");
    case Phase::Failed:
        return QStringLiteral("Interrupted");
    default:
        return QStringLiteral("Preparing");
    }
}

// The recorded rectangle in desktop coordinates, where the panel is placed.
std::optional<Rect> recordedArea(const CaptureSelection& selection,
                                 const std::vector<CaptureDisplay>& displays) {
    const Rect rect = std::visit(
        [](const auto& s) -> Rect {
            using T = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<T, CaptureRegion>)
                return s.rect;
            else if constexpr (std::is_same_v<T, CaptureWindow>)
                return s.frame;
            else
                return s.quartzFrame;
        },
        selection);
    return cocoaRect(rect, displays);
}

} // namespace

RecordingController::RecordingController(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    microphoneDeadline_.setSingleShot(true);
    refreshTimer_.setInterval(100);
    connect(&refreshTimer_, &QTimer::timeout, this, &RecordingController::refresh);
}

RecordingController::~RecordingController() = default;

void RecordingController::begin(const RecordingRequest& request) {
    if (isBusy())
        return;
    if (services_.otherWorkBusy && services_.otherWorkBusy()) {
        services_.shell.beep();
        return;
    }
    const auto attempt = std::make_shared<Attempt>(Attempt{request});
    attempt_ = attempt;
    emit stateChanged();
    if (!request.options.microphone) {
        select(attempt);
        return;
    }
    services_.panel.showWaiting([this, attempt] {
        if (isCurrent(attempt))
            reset(true);
    });
    microphoneDeadline_.disconnect();
    connect(&microphoneDeadline_, &QTimer::timeout, this, [this, attempt] {
        if (isCurrent(attempt))
            fail(QStringLiteral("The microphone didn’t respond. Check that the sound server is "
                                "running, or turn off Record microphone and try again."));
    });
    microphoneDeadline_.start(services_.microphoneTimeoutMs);
    services_.checkMicrophone([this, attempt](const std::optional<QString>& failure) {
        if (!isCurrent(attempt) || !microphoneDeadline_.isActive())
            return;
        microphoneDeadline_.stop();
        services_.panel.close();
        if (failure)
            fail(QStringLiteral("No microphone could be opened. Turn off Record microphone to "
                                "record video without it."));
        else
            select(attempt);
    });
}

void RecordingController::select(const std::shared_ptr<Attempt>& attempt) {
    services_.shell.closeTransientPanels();
    services_.shell.hideWindows();
    windowsHidden_ = true;
    selecting_ = true;
    services_.defer([this, attempt] {
        if (!isCurrent(attempt))
            return;
        using Source = RecordingRequest::Source;
        const Source source = attempt->request.source;
        if (source == Source::Display) {
            const std::vector<CaptureDisplay> displays = services_.displays();
            const auto main = std::find_if(displays.begin(), displays.end(),
                                           [](const CaptureDisplay& d) { return d.isMain; });
            if (main == displays.end()) {
                fail(QStringLiteral("No main display is available."));
                return;
            }
            selected(*main, attempt);
            return;
        }
        if (source == Source::Window && services_.windowsChosenInDialog &&
            services_.windowsChosenInDialog()) {
            selected(CaptureWindow{kWindowChosenInDialog, 0, {}, {}}, attempt);
            return;
        }
        PickerRequest picker;
        picker.chooseWindow = source == Source::Window;
        picker.displays = services_.displays();
        if (picker.chooseWindow)
            picker.windows = services_.windows();
        services_.picker.present(picker, [this, attempt](std::optional<CaptureSelection> choice) {
            if (!isCurrent(attempt))
                return;
            if (!choice)
                reset(true);
            else
                selected(*choice, attempt);
        });
    });
}

void RecordingController::selected(const CaptureSelection& selection,
                                   const std::shared_ptr<Attempt>& attempt) {
    selecting_ = false;
    countingDown_ = true;
    services_.countdown.start(attempt->request.countdown,
                              [this, selection, attempt](bool finished) {
                                  if (!isCurrent(attempt))
                                      return;
                                  countingDown_ = false;
                                  if (finished)
                                      startRecorder(selection, attempt);
                                  else
                                      reset(true);
                              });
}

void RecordingController::startRecorder(const CaptureSelection& selection,
                                        const std::shared_ptr<Attempt>& attempt) {
    try {
        const QString folder = QDir(services_.pendingFolder).filePath(idString(newId()));
        recorder_ = services_.makeRecorder(selection, attempt->request.options, folder);
        recorder_->onChange = [this] { refresh(); };
        recorder_->start();
    } catch (const LumbexError& error) {
        // Cancel in the desktop's own dialog is the picker's Escape: the new folder, which holds
        // nothing recorded, goes too.
        const bool cancelled = isCancelledChoice(error) && recorder_ &&
                               recorder_->journal().recording.segments.empty();
        const QString folder = recorder_ ? recorder_->directory() : QString();
        recorder_.reset();
        if (!cancelled) {
            fail(error.message());
            return;
        }
        try {
            removePath(folder);
        } catch (const LumbexError&) {
            // An empty recording that stays is offered for recovery, and recovers to nothing.
        }
        services_.panel.close();
        reset(true);
        return;
    }
    if (const std::optional<Rect> recorded = recordedArea(selection, services_.displays()))
        services_.panel.keepClearOf(*recorded);
    refreshTimer_.start();
    refresh();
    emit stateChanged();
}

void RecordingController::togglePause() {
    if (!recorder_ || finishing_)
        return;
    try {
        if (recorder_->phase() == Phase::Recording)
            recorder_->pause();
        else if (recorder_->phase() == Phase::Paused)
            recorder_->start();
    } catch (const LumbexError& error) {
        services_.shell.showError(error.message());
    }
    refresh();
    emit stateChanged();
}

void RecordingController::stopRecording() {
    if (!isBusy())
        return;
    if (recorder_) {
        finish(true);
        return;
    }
    if (selecting_)
        services_.picker.cancel();
    if (countingDown_)
        services_.countdown.cancel();
    reset(true);
}

void RecordingController::finish(bool show) {
    if (finishing_ || !recorder_)
        return;
    finishing_ = true;
    refresh();
    emit stateChanged();
    std::optional<QString> failure;
    std::optional<QString> package;
    const Phase phase = recorder_->phase();
    try {
        if (phase != Phase::Finished && phase != Phase::Failed)
            recorder_->stop();
    } catch (const LumbexError&) {
        // Marked in the journal: what was recorded is still saved below.
    }
    try {
        package = services_.saveNote(*recorder_);
    } catch (const LumbexError& error) {
        failure = error.message();
    }
    refreshTimer_.stop();
    services_.panel.close();
    recorder_.reset();
    finishing_ = false;
    if (show || failure)
        reset(true);
    else
        reset(false);
    if (failure)
        services_.shell.showError(*failure);
    else if (show && package)
        services_.openNote(*package);
}

bool RecordingController::isPaused() const {
    return recorder_ && recorder_->phase() == Phase::Paused;
}

qint64 RecordingController::elapsed() const {
    if (!recorder_)
        return 0;
    qint64 total = 0;
    for (const RecordingSegment& segment : recorder_->journal().recording.segments)
        total += segment.duration;
    if (recorder_->phase() == Phase::Recording && recorder_->firstFrameTime())
        total += std::max<qint64>(0, services_.clock() - *recorder_->firstFrameTime());
    return total;
}

RecordingPanel::State RecordingController::panelState() const {
    RecordingPanel::State state;
    const Phase phase = recorder_ ? recorder_->phase() : Phase::Preparing;
    state.clock = phaseLabel(phase) + QStringLiteral(" · ") + recordingTimeLabel(elapsed());
    if (recorder_ && recorder_->journal().issue)
        state.tooltip = *recorder_->journal().issue;
    state.paused = phase == Phase::Paused;
    state.pauseEnabled = !finishing_ && (phase == Phase::Recording || phase == Phase::Paused);
    state.stopEnabled = !finishing_ && (phase == Phase::Preparing || phase == Phase::Recording ||
                                        phase == Phase::Paused || phase == Phase::Failed);
    return state;
}

void RecordingController::refresh() {
    if (recorder_)
        services_.panel.show(panelState());
}

void RecordingController::reset(bool restore) {
    microphoneDeadline_.stop();
    refreshTimer_.stop();
    attempt_.reset();
    selecting_ = false;
    countingDown_ = false;
    if (!recorder_)
        services_.panel.close();
    if (windowsHidden_ && restore)
        services_.shell.restoreWindows(true);
    windowsHidden_ = false;
    emit stateChanged();
}

void RecordingController::fail(const QString& message) {
    services_.panel.close();
    reset(true);
    services_.shell.showError(message);
}

} // namespace lumbex
