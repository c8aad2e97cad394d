#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

#include <QString>
#include <memory>

namespace lumbex::ffmpeg {

// FFmpeg's description of one of its error codes, for diagnostics.
QString errorText(int code);

// Keeps FFmpeg's own log lines (encoder statistics, complaints about cut-short files, which are
// expected here) off standard error. Failures reach the user as LumbexError instead.
void quietLogs();

struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerDeleter {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
// Frees a custom I/O context together with its buffer (which FFmpeg may have replaced).
struct IoContextDeleter {
    void operator()(AVIOContext* io) const {
        if (io)
            av_freep(&io->buffer);
        avio_context_free(&io);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerDeleter>;
using IoContextPtr = std::unique_ptr<AVIOContext, IoContextDeleter>;

// A custom I/O context with a buffer of `bufferSize` bytes; null when out of memory.
IoContextPtr makeIoContext(int bufferSize, bool writable, void* opaque,
                           int (*read)(void*, uint8_t*, int), int (*write)(void*, uint8_t*, int),
                           int64_t (*seek)(void*, int64_t, int));

// The BT.709 coefficients for libswscale, whose default is BT.601. `yuvFullRange` is false for
// the limited (video) range that H.264 streams use.
bool useBt709(SwsContext* scaler, bool sourceIsYuv, bool yuvFullRange = false);

} // namespace lumbex::ffmpeg
