#pragma once

#include "core/error.h"
#include "records/screen_recording.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace lumbex {

// Times here are host-clock microseconds (CLOCK_MONOTONIC), the clock every recording source
// stamps its samples with.
qint64 hostClockMicroseconds();

inline constexpr int kRecordingAudioRate = 48000;
inline constexpr int kRecordingAudioChannels = 2;
// One frame at the recorder's 30 frames per second, rounded up.
inline constexpr qint64 kRecordingFrameMicroseconds = 33334;

// One screen picture of any size, and the host-clock time at which the screen showed it. Pixels
// are 32 bits in B, G, R order (QImage::Format_RGB32); the fourth byte is padding of any value,
// as the screen hands it over, so readers must not rely on it being 0xff.
struct VideoSample {
    QImage image;
    qint64 time = 0;
};

// Interleaved 32-bit float stereo sound at 48,000 Hz, and the host-clock time of its first frame.
struct AudioSample {
    std::vector<float> samples;
    qint64 time = 0;

    qint64 frameCount() const { return qint64(samples.size()) / kRecordingAudioChannels; }
};

// What one movie segment file is written with.
struct MovieSettings {
    QString path;   // a new file: nothing may exist there yet
    int width = 0;  // even, 2…16,384
    int height = 0; // even, 2…16,384
    qint64 videoBitRate = 0;
    double fragmentSeconds = 2;        // the longest stretch between key frames
    std::vector<RecordingAudio> audio; // one AAC track per role, in this order
};

// Encodes and writes one fragmented QuickTime movie: H.264 video and one AAC track per audio role,
// each titled with its role's track title. Every written fragment is on disk before the call that
// wrote it returns, so that a crash keeps the file readable up to it. Used from one thread at a
// time.
class MovieWriter {
public:
    virtual ~MovieWriter() = default;

    // The host-clock time that becomes 0 in the file; before any append.
    virtual void startSession(qint64 time) = 0;
    // Encodes a picture shown from `sample.time` until the next one (in the file, at least one
    // frame). Any image size is scaled to fit the movie, centred on black. False when the
    // encoder refused it; the movie stays usable.
    virtual bool appendVideo(const VideoSample& sample) = 0;
    // False when refused.
    virtual bool appendAudio(RecordingAudio role, const AudioSample& sample) = 0;
    // The movie ends at `time` (after its last picture's frame).
    virtual void endSession(qint64 time) = 0;
    // Drains the encoders and closes the file; false when writing did not complete (the file
    // stays as far as it was written).
    virtual bool finish() = 0;
    // Stops without finishing: the file stays as written so far.
    virtual void cancel() = 0;
    // Why the file can no longer be written (a full disk), once that happened: every later
    // append is refused.
    virtual std::optional<LumbexError> writeFailure() const = 0;
};

using MovieWriterFactory = std::function<std::unique_ptr<MovieWriter>(const MovieSettings&)>;

// FFmpeg's libx264 and native AAC encoders into a fragmented MOV. Throws LumbexError: "The video
// encoder could not be prepared.", "The audio encoder could not be prepared." or the system's
// reason the file could not be created.
std::unique_ptr<MovieWriter> openMovieWriter(const MovieSettings& settings);

// What a movie file holds, read packet by packet (only what lies wholly inside the file counts):
// the video track's size and time range (µs) and the audio tracks known by their titles.
struct MovieOutline {
    int width = 0;
    int height = 0;
    qint64 start = 0;
    qint64 duration = 0;
    std::map<RecordingAudio, qint32> audioTracks; // track ids
    qint64 byteCount = 0;
};

// Throws "The recording contains no readable video." or "The recording has an invalid
// timestamp.".
MovieOutline outlineMovie(const QString& file);

// Reads a segment file written by a MovieWriter, also one cut short by a crash (only what lies
// wholly inside the file counts): the video track's size and time range, the audio tracks known
// by their titles, the byte count and the SHA-256. Throws "The recording contains no readable
// video." or "The recording has an invalid timestamp.".
RecordingSegment inspectRecordingSegment(const QString& file, const Id& id,
                                         std::optional<qint64> hostStart = {},
                                         std::optional<qint64> hostEnd = {},
                                         qint64 droppedVideo = 0, qint64 droppedAudio = 0);

// The picture a segment file shows at `time` (microseconds in its own timeline): the last frame
// that starts at or before it, at the movie's size, Format_RGB32. Throws "The recording contains
// no readable video." when there is none.
QImage readRecordingFrame(const QString& file, qint64 time);

} // namespace lumbex
