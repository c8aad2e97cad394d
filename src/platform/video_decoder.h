#pragma once

#include "platform/ffmpeg_support.h"
#include "platform/movie_input.h"

#include <QImage>
#include <QSize>
#include <optional>

namespace lumbex {

// Decodes the video stream of a movie forward from wherever its demuxer stands. Throws
// `unreadable` when the stream's decoder cannot be opened.
class VideoDecoder {
public:
    VideoDecoder(MovieInput& input, const AVStream& stream, const QString& unreadable);

    // Moves to the key frame at or before `time` (µs) and forgets what was decoded; false when
    // the demuxer cannot seek.
    bool seek(qint64 time);
    // The next decoded picture's start (µs), or nothing at the end of the movie.
    std::optional<qint64> next();

    const AVFrame& frame() const { return *frame_; }

private:
    // Sends the next complete video packet, or the end of the stream; false once both are done.
    bool feed();

    MovieInput& input_;
    const AVStream& stream_;
    ffmpeg::CodecContextPtr context_;
    ffmpeg::PacketPtr packet_;
    ffmpeg::FramePtr frame_;
    bool ended_ = false;
};

// A decoded picture as Format_RGB32 at `size`, converted with BT.709; a null image when the
// conversion fails.
QImage decodedImage(const AVFrame& frame, QSize size);

} // namespace lumbex
