#pragma once

#include "core/error.h"
#include "core/serial_queue.h"
#include "platform/recording_media.h"
#include "recording/recording_journal.h"

#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// Writes one segment of a recording: pictures and sound from the sources go through the writer's
// own queue, in arrival order, into a fragmented movie `<directory>/<id>.mov`. Late or
// out-of-order samples are counted and skipped rather than reordered; sound that arrives before
// the first picture waits for it (up to 120 samples).
class RecordingSegmentWriter {
public:
    // Runs on the writer's queue when the first picture was written, with its time.
    using FirstFrame = std::function<void(qint64 time)>;
    // Runs on the writer's queue, once, when the movie can no longer be written.
    using Failed = std::function<void(const LumbexError& error)>;

    static constexpr int kPendingAudioLimit = 120;
    static constexpr int kWaitingPictureLimit = 3;
    static constexpr int kTailAttempts = 200;
    // A still screen sends no pictures; the last one is written again this often so that the
    // fragments on disk keep up with the clock and a crash loses little.
    static constexpr qint64 kKeepAliveMicroseconds = 500000;

    // Average bit rate for a picture size: 4 bits per pixel per second within fixed bounds.
    static qint64 videoBitRate(int width, int height);

    // Throws "Choose a supported recording size." for an odd or out-of-range size or fragment
    // length, the movie writer's messages, or the system's when the folder cannot be made.
    RecordingSegmentWriter(const QString& directory, const Id& id, int width, int height,
                           const std::vector<RecordingAudio>& audio,
                           const MovieWriterFactory& openMovie, double fragmentSeconds = 2.0);
    // Waits for the queue; a writer that was neither finished nor cancelled is cancelled.
    ~RecordingSegmentWriter();

    const Id& id() const { return id_; }
    const QString& path() const { return path_; }

    // Before the first sample.
    void setFirstFrame(FirstFrame firstFrame) { firstFrame_ = std::move(firstFrame); }
    void setFailed(Failed failed) { failed_ = std::move(failed); }

    // From any thread. A picture that finds kWaitingPictureLimit pictures still waiting is
    // dropped and counted.
    void enqueueVideo(VideoSample sample);
    void enqueueAudio(RecordingAudio role, AudioSample sample);
    // Writes the last picture again at `now` when none was written for kKeepAliveMicroseconds.
    void enqueueKeepAlive(qint64 now);

    // Ends the segment at `end` (host clock): the last picture is held until then, the movie is
    // closed and described by `inspect`. Throws LumbexError with the failure's message; the file
    // stays.
    RecordingSegment finish(qint64 end, const SegmentInspector& inspect);
    // Stops writing; the file stays as written.
    void cancel();

private:
    void appendVideo(const VideoSample& sample);
    void appendAudio(RecordingAudio role, const AudioSample& sample);
    void writeAudio(RecordingAudio role, const AudioSample& sample);
    void keepAlive(qint64 now);
    qint64 closeMovie(qint64 end);
    // After a refused sample: tells once when the refusal was the file failing, not the sample.
    void checkMovie();

    const Id id_;
    const QString path_;
    std::unique_ptr<MovieWriter> movie_;
    FirstFrame firstFrame_;
    Failed failed_;

    // Touched only on the queue.
    bool finishing_ = false;
    std::vector<std::pair<RecordingAudio, AudioSample>> pendingAudio_;
    std::optional<qint64> firstTime_;
    std::optional<VideoSample> lastVideo_;
    std::map<RecordingAudio, qint64> audioTimes_;
    qint64 videoFrames_ = 0;
    qint64 droppedAudio_ = 0;
    bool failureTold_ = false;

    // Counted where pictures are refused before reaching the queue, too.
    std::atomic<qint64> droppedVideo_ = 0;
    std::atomic<int> waitingPictures_ = 0;

    SerialQueue queue_; // last: joined before the state above goes
};

} // namespace lumbex
