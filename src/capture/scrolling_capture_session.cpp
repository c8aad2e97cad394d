#include "capture/scrolling_capture_session.h"

#include "capture/scroll_capture_note.h"
#include "core/error.h"
#include "core/natural_order.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

namespace lumbex {
namespace {

const char* const waitingText = "Waiting for the first frame…";
const char* const importDetail = "Joining images in filename order…";
const char* const captureDetail =
    "Scroll down slowly inside the selected area. Click Finish when you have the part you need.";
const char* const settlingText = "Pause scrolling to let the image settle…";
const char* const fiveMinutesText =
    "Scroll capture reached five minutes. Keep this part and start another capture.";
const char* const stoppedText = "Stopped before finishing. Keep the captured part or start again.";
const char* const displaysText = "The display setup changed. The captured part has been kept.";
const char* const sleepText = "Scroll capture stopped because the computer is going to sleep.";

qint64 monotonicMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString progressText(int count, int width, qint64 height) {
    return QStringLiteral("%1 %2 · %3 × %4 px")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("frame") : QStringLiteral("frames"))
        .arg(width)
        .arg(height);
}

} // namespace

ScrollingCaptureSession::ScrollingCaptureSession(NoteSink saveNote, ScrollCaptureTiming timing,
                                                 Clock clock)
    : saveNote_(std::move(saveNote)), timing_(timing),
      clock_(clock ? std::move(clock) : Clock(monotonicMilliseconds)) {}

ScrollingCaptureSession::~ScrollingCaptureSession() = default;

QString ScrollingCaptureSession::pickerPrompt() {
    return QStringLiteral(
        "Select the scrolling content · Leave toolbars outside\nScroll down after "
        "selecting · Escape to cancel");
}

QString ScrollingCaptureSession::importPanelMessage() {
    return QStringLiteral("Choose images from one scrolling area. They are joined in filename "
                          "order; original images remain in the note.");
}

QString ScrollingCaptureSession::importButtonTitle() {
    return QStringLiteral("Stitch Images");
}

void ScrollingCaptureSession::reset(bool imported) {
    work_.reset();
    ++run_;
    area_.reset();
    pendingFiles_.clear();
    mismatchSince_.reset();
    lastUnmatched_.reset();
    issue_.reset();
    imported_ = imported;
    frameCount_ = 0;
    panel_ = Panel{};
    panel_.progress = QString::fromUtf8(waitingText);
    panel_.detail = QString::fromUtf8(imported ? importDetail : captureDetail);
    panel_.finishTitle = QStringLiteral("Finish");
    panel_.cancelTitle = QStringLiteral("Cancel");
}

void ScrollingCaptureSession::setPhase(Phase phase) {
    phase_ = phase;
    emit changed();
}

void ScrollingCaptureSession::begin() {
    if (phase_ != Phase::Idle)
        return;
    reset(false);
    setPhase(Phase::Selecting);
    emit selectionRequested();
}

void ScrollingCaptureSession::start(std::unique_ptr<ScrollFrameSource> area) {
    if (phase_ != Phase::Selecting)
        return;
    area_ = std::move(area);
    startedAt_ = clock_();
    setPhase(Phase::Capturing);
    grabNext();
}

void ScrollingCaptureSession::scheduleGrab() {
    QTimer::singleShot(timing_.frameIntervalMs, this, [this, run = run_] {
        if (run == run_)
            grabNext();
    });
}

void ScrollingCaptureSession::grabNext() {
    if (phase_ != Phase::Capturing || imported_)
        return;
    if (clock_() - startedAt_ > timing_.maxDurationMs)
        return interrupt(QString::fromUtf8(fiveMinutesText));
    QImage frame;
    try {
        frame = area_->grab();
    } catch (const LumbexError& error) {
        return interrupt(error.message());
    }
    work_.append(std::move(frame), [this](const auto& result) { grabbed(result); });
}

void ScrollingCaptureSession::grabbed(const ScrollCaptureWork::Appended& result) {
    if (phase_ != Phase::Capturing)
        return;
    if (result.update) {
        mismatchSince_.reset();
        update(result);
        return scheduleGrab();
    }
    // Scrolling faster than the grabs can follow: give the user a moment to pause.
    lastUnmatched_ = result.frame;
    issue_ = result.error;
    const qint64 now = clock_();
    if (!mismatchSince_)
        mismatchSince_ = now;
    panel_.progress = QString::fromUtf8(settlingText);
    emit changed();
    if (now - *mismatchSince_ < timing_.settleMs)
        return scheduleGrab();
    interrupt(result.error);
}

void ScrollingCaptureSession::importFiles(const QStringList& files) {
    if (phase_ != Phase::Idle)
        return;
    reset(true);
    pendingFiles_ = sortedByFileName(files);
    setPhase(Phase::Capturing);
    importNext();
}

void ScrollingCaptureSession::importNext() {
    if (pendingFiles_.isEmpty())
        return save(false, true);
    work_.appendFile(pendingFiles_.takeFirst(), [this](const auto& result) { imported(result); });
}

void ScrollingCaptureSession::imported(const ScrollCaptureWork::Appended& result) {
    if (phase_ != Phase::Capturing)
        return;
    if (!result.update) {
        if (!result.frame.isNull())
            lastUnmatched_ = result.frame;
        return interrupt(result.error);
    }
    update(result);
    importNext();
}

void ScrollingCaptureSession::update(const ScrollCaptureWork::Appended& result) {
    frameCount_ = result.joinedCount;
    if (result.update == ScrollStitcher::Update::Added)
        panel_.preview = result.frame;
    panel_.progress = progressText(result.joinedCount, result.width, result.height);
    panel_.finishEnabled = !imported_ && result.joinedCount >= 1;
    emit changed();
}

void ScrollingCaptureSession::interrupt(const QString& message) {
    if (phase_ != Phase::Selecting && phase_ != Phase::Capturing)
        return;
    ++run_;
    area_.reset();
    pendingFiles_.clear();
    issue_ = message;
    offerToKeep(message);
}

void ScrollingCaptureSession::offerToKeep(const QString& detail) {
    panel_.detail = detail;
    panel_.finishTitle = QStringLiteral("Keep Partial");
    panel_.finishEnabled = frameCount_ >= 1;
    panel_.retryVisible = true;
    panel_.cancelTitle = QStringLiteral("Discard");
    setPhase(Phase::Review);
}

void ScrollingCaptureSession::cancel() {
    switch (phase_) {
    case Phase::Capturing:
        return interrupt(QString::fromUtf8(stoppedText));
    case Phase::Selecting:
    case Phase::Review:
        return cleanUp();
    case Phase::Idle:
    case Phase::Saving:
        return;
    }
}

void ScrollingCaptureSession::finish() {
    if (phase_ == Phase::Review)
        save(true, true);
    else if (phase_ == Phase::Capturing && !imported_)
        save(issue_.has_value(), true);
}

void ScrollingCaptureSession::retry() {
    if (phase_ != Phase::Review)
        return;
    reset(false);
    setPhase(Phase::Selecting);
    emit selectionRequested();
}

void ScrollingCaptureSession::displaysChanged() {
    interrupt(QString::fromUtf8(displaysText));
}

void ScrollingCaptureSession::systemWillSleep() {
    interrupt(QString::fromUtf8(sleepText));
}

void ScrollingCaptureSession::save(bool partial, bool show) {
    if (frameCount_ == 0)
        return cleanUp();
    ++run_;
    area_.reset();
    panel_.progress = QStringLiteral("Saving %1 frames…").arg(frameCount_);
    panel_.finishEnabled = false;
    setPhase(Phase::Saving);
    work_.render(partial ? lastUnmatched_ : std::nullopt,
                 [this, partial, show](const auto& rendered) { saved(rendered, partial, show); });
}

void ScrollingCaptureSession::saved(const ScrollCaptureWork::Rendered& rendered, bool partial,
                                    bool show) {
    if (phase_ != Phase::Saving)
        return;
    try {
        if (!rendered.stitcher)
            throw LumbexError(rendered.error);
        storeNote(*rendered.stitcher, partial, rendered.png, show);
    } catch (const LumbexError& error) {
        return offerToKeep(QStringLiteral("Couldn’t Save: ") + error.message());
    }
    cleanUp();
}

void ScrollingCaptureSession::storeNote(const ScrollStitcher& stitcher, bool partial,
                                        const QByteArray& png, bool show) {
    const NotePackageContents note = scrollCaptureNote(stitcher, partial, issue_, imported_, png);
    saveNote_(note, show);
}

void ScrollingCaptureSession::finishForTermination() {
    if (phase_ == Phase::Saving) {
        // Let the save under way finish and take its result now: the event loop has ended.
        work_.waitForDone();
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    }
    if (phase_ == Phase::Selecting)
        return cleanUp();
    if (phase_ != Phase::Capturing && phase_ != Phase::Review)
        return;
    if (frameCount_ == 0)
        return cleanUp();
    const bool partial = phase_ == Phase::Review || issue_.has_value();
    const ScrollCaptureWork::Rendered rendered =
        work_.renderNow(partial ? lastUnmatched_ : std::nullopt);
    if (!rendered.stitcher)
        throw LumbexError(rendered.error);
    storeNote(*rendered.stitcher, partial, rendered.png, false);
    cleanUp();
}

void ScrollingCaptureSession::cleanUp() {
    reset(false);
    setPhase(Phase::Idle);
    emit ended();
}

} // namespace lumbex
