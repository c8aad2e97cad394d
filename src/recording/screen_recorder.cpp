#include "recording/screen_recorder.h"

#include "core/files.h"
#include "recording/recording_source_plan.h"

#include <QMetaObject>
#include <algorithm>

namespace lumbex {
namespace {

constexpr int kKeepAliveIntervalMs = 100;

LumbexError busy() {
    return LumbexError(QStringLiteral("The recorder is already busy."));
}

} // namespace

ScreenRecorder* ScreenRecorder::current_ = nullptr;

ScreenRecorder::ScreenRecorder(CaptureSelection selection, ScreenRecordingOptions options,
                               QString directory, RecorderServices services, QObject* parent)
    : QObject(parent), selection_(std::move(selection)), options_(options),
      directory_(std::move(directory)), services_(std::move(services)),
      journal_(RecordingJournal::make()) {
    if (options_.systemAudio)
        audioRoles_.push_back(RecordingAudio::System);
    if (options_.microphone)
        audioRoles_.push_back(RecordingAudio::Microphone);
    makeFolders(directory_);
    journal_.save(directory_);
    frameTimeout_.setSingleShot(true);
    // A coarse timer may fire 5 % early: the wait for the first picture is five seconds.
    frameTimeout_.setTimerType(Qt::PreciseTimer);
    frameTimeout_.setInterval(kFirstFrameTimeoutMs);
    keepAlive_.setInterval(kKeepAliveIntervalMs);
    connect(&keepAlive_, &QTimer::timeout, this, [this] {
        if (writer_)
            writer_->enqueueKeepAlive(services_.clock());
    });
}

ScreenRecorder::~ScreenRecorder() {
    stopSources();
    writer_.reset();
    if (current_ == this)
        current_ = nullptr;
}

void ScreenRecorder::start() {
    if (phase_ != Phase::Ready && phase_ != Phase::Paused)
        throw busy();
    if (current_ && current_ != this)
        throw LumbexError(QStringLiteral("Finish the current screen recording first."));
    if (services_.voiceNoteBusy && services_.voiceNoteBusy())
        throw LumbexError(
            QStringLiteral("Finish the voice note before starting a screen recording."));
    current_ = this;
    try {
        openSegment();
        startSources();
    } catch (const LumbexError& error) {
        stopSources();
        if (writer_)
            writer_->cancel();
        markFailure(error);
        throw;
    }
    setPhase(Phase::Preparing);
    frameTimeout_.start();
    keepAlive_.start();
}

void ScreenRecorder::openSegment() {
    std::optional<QSize> keepSize;
    if (!journal_.recording.segments.empty()) {
        const RecordingSegment& first = journal_.recording.segments.front();
        keepSize = QSize(int(first.width), int(first.height));
    }
    const std::vector<CaptureWindow> windows = std::holds_alternative<CaptureWindow>(selection_)
                                                   ? services_.windows()
                                                   : std::vector<CaptureWindow>{};
    const RecordingSourcePlan plan = planRecordingSource(selection_, services_.displays(), windows,
                                                         options_.longestSide, keepSize);
    const Id segmentID = newId();
    writer_ = std::make_unique<RecordingSegmentWriter>(
        directory_, segmentID, plan.outputSize.width(), plan.outputSize.height(), audioRoles_,
        services_.openMovie);
    writer_->setFirstFrame([this, segmentID](qint64 time) {
        QMetaObject::invokeMethod(
            this, [this, segmentID, time] { frameArrived(segmentID, time); }, Qt::QueuedConnection);
    });
    journal_.activeSegment = segmentID;
    journal_.save(directory_);

    screen_ = services_.openScreen({plan.source, options_.cursor, options_.clicks});
    for (const RecordingAudio role : audioRoles_)
        audio_.push_back(services_.openAudio(role));
    firstFrameTime_.reset();
    disconnect(&frameTimeout_, nullptr, this, nullptr);
    connect(&frameTimeout_, &QTimer::timeout, this,
            [this, segmentID] { firstFrameOverdue(segmentID); });
}

void ScreenRecorder::startSources() {
    RecordingSegmentWriter* writer = writer_.get();
    const Id segmentID = writer->id();
    const auto failed = [this, segmentID](const LumbexError& error) {
        QMetaObject::invokeMethod(
            this,
            [this, segmentID, error] {
                if (isRunningSegment(segmentID))
                    interrupt(error);
            },
            Qt::QueuedConnection);
    };
    writer->setFailed(failed);
    screen_->start([writer](VideoSample sample) { writer->enqueueVideo(std::move(sample)); },
                   failed);
    for (size_t i = 0; i < audio_.size(); ++i) {
        const RecordingAudio role = audioRoles_[i];
        audio_[i]->start(
            [writer, role](AudioSample sample) { writer->enqueueAudio(role, std::move(sample)); },
            failed);
    }
}

void ScreenRecorder::stopSources() {
    if (screen_)
        screen_->stop();
    for (const auto& source : audio_)
        source->stop();
    screen_.reset();
    audio_.clear();
}

bool ScreenRecorder::isRunningSegment(const Id& segmentID) const {
    return writer_ && writer_->id() == segmentID;
}

void ScreenRecorder::frameArrived(const Id& segmentID, qint64 time) {
    if (!isRunningSegment(segmentID) || phase_ != Phase::Preparing)
        return;
    firstFrameTime_ = time;
    frameTimeout_.stop();
    setPhase(Phase::Recording);
}

void ScreenRecorder::firstFrameOverdue(const Id& segmentID) {
    if (isRunningSegment(segmentID) && phase_ == Phase::Preparing)
        interrupt(LumbexError(
            QStringLiteral("No screen frames arrived. Check the capture source and try again.")));
}

void ScreenRecorder::finishSegment() {
    frameTimeout_.stop();
    keepAlive_.stop();
    const qint64 end = services_.clock();
    stopSources();
    const std::unique_ptr<RecordingSegmentWriter> writer = std::move(writer_);
    firstFrameTime_.reset();
    const RecordingSegment segment = writer->finish(end, services_.inspect);
    journal_.recording.segments.push_back(segment);
    journal_.activeSegment.reset();
    journal_.save(directory_);
    if (onSegment)
        onSegment(segment);
    const bool everyTrack =
        std::all_of(audioRoles_.begin(), audioRoles_.end(),
                    [&](RecordingAudio role) { return segment.audioTracks.contains(role); });
    if (!everyTrack)
        throw LumbexError(QStringLiteral(
            "A selected audio source produced no saved track. The video has been preserved; "
            "review its sound before using it."));
}

void ScreenRecorder::pause() {
    if (phase_ != Phase::Recording)
        throw busy();
    setPhase(Phase::Pausing);
    try {
        finishSegment();
    } catch (const LumbexError& error) {
        markFailure(error);
        throw;
    }
    setPhase(Phase::Paused);
}

ScreenRecording ScreenRecorder::stop() {
    if (phase_ != Phase::Preparing && phase_ != Phase::Recording && phase_ != Phase::Paused &&
        phase_ != Phase::Failed)
        throw LumbexError(QStringLiteral("There is no active recording to stop."));
    setPhase(Phase::Finishing);
    try {
        frameTimeout_.stop();
        if (writer_)
            finishSegment();
        journal_.recording.validate();
        journal_.completed = true;
        journal_.save(directory_);
    } catch (const LumbexError& error) {
        markFailure(error);
        throw;
    }
    if (current_ == this)
        current_ = nullptr;
    setPhase(Phase::Finished);
    return journal_.recording;
}

void ScreenRecorder::interrupt(const LumbexError& error) {
    if (phase_ != Phase::Ready && phase_ != Phase::Preparing && phase_ != Phase::Recording &&
        phase_ != Phase::Paused)
        return;
    setPhase(Phase::Finishing);
    if (writer_) {
        try {
            finishSegment();
        } catch (const LumbexError&) {
            // The interruption is what the user needs to hear about; the journal keeps the
            // unfinished segment for recovery.
        }
    }
    markFailure(error);
}

void ScreenRecorder::interruptForSleep() {
    interrupt(
        LumbexError(QStringLiteral("Recording stopped because the computer is going to sleep.")));
}

void ScreenRecorder::markFailure(const LumbexError& error) {
    frameTimeout_.stop();
    keepAlive_.stop();
    if (!journal_.issue)
        journal_.issue = error.message();
    try {
        journal_.save(directory_);
    } catch (const LumbexError&) {
        // The failure being marked is reported; a journal that cannot be saved keeps its last
        // good state, which recovery reads.
    }
    if (current_ == this)
        current_ = nullptr;
    setPhase(Phase::Failed);
}

void ScreenRecorder::setPhase(Phase phase) {
    phase_ = phase;
    if (onChange)
        onChange();
}

} // namespace lumbex
