#pragma once

#include "capture/capture_selection.h"
#include "platform/recording_sources.h"
#include "recording/recording_journal.h"
#include "recording/recording_segment_writer.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

struct ScreenRecordingOptions {
    std::optional<int> longestSide; // limit of the longer picture side; none: source pixels
    bool cursor = true;
    bool clicks = false;
    bool systemAudio = false;
    bool microphone = false;
};

// What the recorder needs from the system; tests give fakes.
struct RecorderServices {
    std::function<std::vector<CaptureDisplay>()> displays;
    std::function<std::vector<CaptureWindow>()> windows;
    std::function<std::unique_ptr<ScreenFrameSource>(const ScreenFrameSettings&)> openScreen;
    std::function<std::unique_ptr<RecordingAudioSource>(RecordingAudio)> openAudio;
    MovieWriterFactory openMovie;
    SegmentInspector inspect;
    std::function<qint64()> clock;
    // Whether a voice note is being recorded, which a screen recording must not run beside.
    std::function<bool()> voiceNoteBusy;
};

// Records one screen source into a recording folder: each stretch between start (or resume) and
// pause (or stop) becomes one movie segment, and the folder's journal is rewritten at every step
// so that a crash at any moment leaves something to recover. Lives on the GUI thread; samples go
// straight from the sources to the segment writer's queue.
class ScreenRecorder : public QObject {
    Q_OBJECT
public:
    enum class Phase { Ready, Preparing, Recording, Pausing, Paused, Finishing, Finished, Failed };

    static constexpr int kFirstFrameTimeoutMs = 5000;

    // Creates the folder (and missing folders above it) and saves a journal for a new recording.
    // Throws LumbexError.
    ScreenRecorder(CaptureSelection selection, ScreenRecordingOptions options, QString directory,
                   RecorderServices services, QObject* parent = nullptr);
    ~ScreenRecorder() override;

    // The recorder that is running, if any: at most one runs at a time.
    static ScreenRecorder* current() { return current_; }

    Phase phase() const { return phase_; }
    const RecordingJournal& journal() const { return journal_; }
    const QString& directory() const { return directory_; }
    // Host-clock time of the running segment's first picture.
    std::optional<qint64> firstFrameTime() const { return firstFrameTime_; }

    // Called after every phase change.
    std::function<void()> onChange;
    // Called when a segment was written and entered into the journal.
    std::function<void(const RecordingSegment&)> onSegment;

    // Starts a recording, or resumes a paused one with a new segment. Throws LumbexError.
    void start();
    // Ends the running segment. Throws LumbexError (the failure is marked in the journal).
    void pause();
    // Ends the recording and returns it, checked. Throws LumbexError (marked in the journal).
    ScreenRecording stop();
    // Ends what runs because of something outside (sleep, a lost source, no pictures): the
    // segment so far is kept and the failure marked.
    void interrupt(const LumbexError& error);
    void interruptForSleep();

private:
    void openSegment();
    void startSources();
    void stopSources();
    void finishSegment();
    void frameArrived(const Id& segmentID, qint64 time);
    void firstFrameOverdue(const Id& segmentID);
    void markFailure(const LumbexError& error);
    void setPhase(Phase phase);
    bool isRunningSegment(const Id& segmentID) const;

    static ScreenRecorder* current_;

    const CaptureSelection selection_;
    const ScreenRecordingOptions options_;
    const QString directory_;
    const RecorderServices services_;
    Phase phase_ = Phase::Ready;
    RecordingJournal journal_;
    std::optional<qint64> firstFrameTime_;
    std::vector<RecordingAudio> audioRoles_;
    QTimer frameTimeout_;
    QTimer keepAlive_;
    std::unique_ptr<RecordingSegmentWriter> writer_;
    std::unique_ptr<ScreenFrameSource> screen_;
    std::vector<std::unique_ptr<RecordingAudioSource>> audio_;
};

} // namespace lumbex
