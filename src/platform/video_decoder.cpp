#include "platform/video_decoder.h"

#include "core/error.h"

namespace lumbex {
namespace {

constexpr AVRational kMicroseconds{1, 1'000'000};

// libswscale's vector code writes whole blocks of pixels and may run past the end of a row whose
// width is not a multiple of its block: the image gets rows aligned to 64 bytes and a spare row.
QImage paddedImage(QSize size) {
    const qsizetype stride = (qsizetype(size.width()) * 4 + 63) & ~qsizetype(63);
    auto* bits = static_cast<uchar*>(av_malloc(size_t(stride) * size_t(size.height() + 1)));
    if (!bits)
        return {};
    return QImage(bits, size.width(), size.height(), stride, QImage::Format_RGB32, av_free, bits);
}

} // namespace

VideoDecoder::VideoDecoder(MovieInput& input, const AVStream& stream, const QString& unreadable)
    : input_(input), stream_(stream) {
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    context_.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
    packet_.reset(av_packet_alloc());
    frame_.reset(av_frame_alloc());
    if (!context_ || !packet_ || !frame_ ||
        avcodec_parameters_to_context(context_.get(), stream.codecpar) < 0)
        throw LumbexError(unreadable);
    // Slice threads decode a picture on both cores without the delay of frame threads.
    context_->thread_count = 0;
    context_->thread_type = FF_THREAD_SLICE;
    if (avcodec_open2(context_.get(), codec, nullptr) < 0)
        throw LumbexError(unreadable);
}

bool VideoDecoder::seek(qint64 time) {
    const qint64 target = av_rescale_q(time, kMicroseconds, stream_.time_base);
    if (av_seek_frame(input_.format(), stream_.index, target, AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(context_.get());
    ended_ = false;
    return true;
}

std::optional<qint64> VideoDecoder::next() {
    for (;;) {
        const int received = avcodec_receive_frame(context_.get(), frame_.get());
        if (received >= 0) {
            const qint64 pts = frame_->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE)
                continue;
            return av_rescale_q(pts, stream_.time_base, kMicroseconds);
        }
        if (received == AVERROR_EOF || (received != AVERROR(EAGAIN)) || !feed())
            return std::nullopt;
    }
}

bool VideoDecoder::feed() {
    if (ended_)
        return false;
    while (input_.readPacket(*packet_)) {
        const bool ours = packet_->stream_index == stream_.index && input_.isComplete(*packet_);
        const int sent = ours ? avcodec_send_packet(context_.get(), packet_.get()) : 0;
        av_packet_unref(packet_.get());
        if (ours && sent >= 0)
            return true;
    }
    ended_ = true;
    return avcodec_send_packet(context_.get(), nullptr) >= 0;
}

QImage decodedImage(const AVFrame& frame, QSize size) {
    const ffmpeg::ScalerPtr scaler(
        sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), size.width(),
                       size.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    QImage image = paddedImage(size);
    if (!scaler || image.isNull() ||
        !ffmpeg::useBt709(scaler.get(), true, frame.color_range == AVCOL_RANGE_JPEG))
        return {};
    uint8_t* const target[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, target, strides) <= 0)
        return {};
    return image;
}

} // namespace lumbex
