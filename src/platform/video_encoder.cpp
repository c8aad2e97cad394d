#include "platform/video_encoder.h"

#include "core/error.h"
#include "platform/recording_media.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace lumbex {
namespace {

const QString kNotPrepared = QStringLiteral("The video encoder could not be prepared.");
constexpr AVRational kMicroseconds{1, 1'000'000};
// Key frames come from elapsed time; the frame-count limit only has to stay out of the way.
constexpr int kKeyFrameFrames = 1 << 20;

} // namespace

VideoEncoder::VideoEncoder(int width, int height, qint64 bitRate, qint64 keyFrameMicroseconds,
                           bool globalHeader)
    : parts_("libx264", kNotPrepared), fitter_(width, height),
      keyFrameMicroseconds_(keyFrameMicroseconds) {
    AVCodecContext& c = *parts_.context;
    c.width = width;
    c.height = height;
    c.pix_fmt = AV_PIX_FMT_YUV420P;
    c.time_base = kMicroseconds;
    // Rate control budgets bits per frame from the frame rate, not from the time base.
    c.framerate = {30, 1};
    c.bit_rate = bitRate;
    c.gop_size = kKeyFrameFrames;
    c.max_b_frames = 0;
    c.color_primaries = AVCOL_PRI_BT709;
    c.color_trc = AVCOL_TRC_BT709;
    c.colorspace = AVCOL_SPC_BT709;
    c.color_range = AVCOL_RANGE_MPEG;
    if (globalHeader)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    av_opt_set(c.priv_data, "preset", "ultrafast", 0);
    av_opt_set(c.priv_data, "tune", "zerolatency", 0);
    // The fastest preset leaves out the deblocking filter; at four bits per pixel a screen of
    // scrolling text then shows its 16-pixel blocks. Turning it back on costs no measurable CPU.
    av_opt_set(c.priv_data, "deblock", "0:0", 0);
    av_opt_set_int(c.priv_data, "forced-idr", 1, 0);
    if (avcodec_open2(&c, parts_.codec(), nullptr) < 0)
        throw LumbexError(kNotPrepared);

    parts_.frame->format = AV_PIX_FMT_YUV420P;
    parts_.frame->width = width;
    parts_.frame->height = height;
    parts_.frame->color_primaries = AVCOL_PRI_BT709;
    parts_.frame->color_trc = AVCOL_TRC_BT709;
    parts_.frame->colorspace = AVCOL_SPC_BT709;
    parts_.frame->color_range = AVCOL_RANGE_MPEG;
    if (av_frame_get_buffer(parts_.frame.get(), 0) < 0)
        throw LumbexError(kNotPrepared);
}

bool VideoEncoder::encode(const QImage& image, qint64 time, const PacketWriter& write) {
    // Pictures come only when the screen changes. Over a still stretch longer than the key-frame
    // interval, the picture it showed is sent again as a key frame at each interval, so key
    // frames stay at most that far apart however rarely pictures come.
    while (lastKeyFrame_ && time - *lastKeyFrame_ > keyFrameMicroseconds_)
        if (!send(*lastKeyFrame_ + keyFrameMicroseconds_, true, write))
            return false;
    // The encoder may still hold the previous picture: write into a frame of our own.
    if (av_frame_make_writable(parts_.frame.get()) < 0 || !fitter_.fit(image, *parts_.frame))
        return false;
    return send(time, !lastKeyFrame_ || time - *lastKeyFrame_ >= keyFrameMicroseconds_, write);
}

bool VideoEncoder::send(qint64 time, bool keyFrame, const PacketWriter& write) {
    parts_.frame->pict_type = keyFrame ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    parts_.frame->pts = time;
    if (keyFrame)
        lastKeyFrame_ = time;
    return parts_.send(parts_.frame.get(), write, [this](AVPacket& p) { notePacket(p); });
}

bool VideoEncoder::drain(const PacketWriter& write) {
    return parts_.send(nullptr, write, [this](AVPacket& p) { notePacket(p); });
}

void VideoEncoder::notePacket(AVPacket& packet) {
    // The encoder may also start a key frame of its own (at a scene cut).
    if (packet.flags & AV_PKT_FLAG_KEY)
        lastKeyFrame_ = packet.pts;
    // A fragment closed before the next picture arrives still shows this one for a frame.
    packet.duration = kRecordingFrameMicroseconds;
}

} // namespace lumbex
