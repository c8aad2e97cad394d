#pragma once

#include "platform/encoder_parts.h"

#include <QImage>
#include <memory>

namespace lumbex {

// FFmpeg's GIF encoder and muxer on an I/O context of the caller's: one palette per frame,
// delays in centiseconds. The muxer writes a frame once the next one (or the end) tells its
// delay, so at most one encoded frame is held.
class GIFStream {
public:
    // `loop`: repeat forever, else play once. Throws "The GIF file could not be created." when
    // FFmpeg has no GIF encoder.
    GIFStream(int width, int height, bool loop, AVIOContext* io);
    ~GIFStream();
    GIFStream(const GIFStream&) = delete;
    GIFStream& operator=(const GIFStream&) = delete;

    // Prepares the encoder and writes the header; false when FFmpeg refuses.
    bool open();
    // Adds `image` (scaled to fit on black when its size differs) shown from `centiseconds`.
    bool add(const QImage& image, qint64 centiseconds);
    // The last frame shows for `finalDelay` centiseconds; writes the trailer.
    bool end(qint64 finalDelay);

private:
    bool write(AVPacket& packet);

    struct MuxerDeleter {
        void operator()(AVFormatContext* context) const { avformat_free_context(context); }
    };

    int width_;
    int height_;
    bool loop_;
    AVIOContext* io_;
    EncoderParts parts_;
    std::unique_ptr<AVFormatContext, MuxerDeleter> muxer_;
    AVStream* stream_ = nullptr;
    bool headerWritten_ = false;
    bool trailerWritten_ = false;
};

// A GIF delay rounded so that the delays add up: each frame's start and end are rounded to
// centiseconds from the start, and the delay is their difference.
inline qint64 gifCentiseconds(qint64 microseconds) {
    return (microseconds + 5'000) / 10'000;
}

} // namespace lumbex
