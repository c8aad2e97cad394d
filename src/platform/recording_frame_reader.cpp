#include "core/error.h"
#include "platform/ffmpeg_support.h"
#include "platform/movie_input.h"
#include "platform/recording_media.h"

#include <optional>

namespace lumbex {
namespace {

const QString kNoVideo = QStringLiteral("The recording contains no readable video.");
constexpr AVRational kMicroseconds{1, 1'000'000};

// Decodes the video stream of a movie forward from wherever its demuxer stands.
class VideoDecoder {
public:
    VideoDecoder(MovieInput& input, const AVStream& stream) : input_(input), stream_(stream) {
        const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
        context_.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
        packet_.reset(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        if (!context_ || !packet_ || !frame_ ||
            avcodec_parameters_to_context(context_.get(), stream.codecpar) < 0 ||
            avcodec_open2(context_.get(), codec, nullptr) < 0)
            throw LumbexError(kNoVideo);
    }

    // Moves to the key frame at or before `time` (µs); false when the demuxer cannot seek.
    bool seek(qint64 time) {
        const qint64 target = av_rescale_q(time, kMicroseconds, stream_.time_base);
        return av_seek_frame(input_.format(), stream_.index, target, AVSEEK_FLAG_BACKWARD) >= 0;
    }

    // The next decoded picture and its time (µs), or nothing at the end of the movie.
    std::optional<qint64> next() {
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

    const AVFrame& frame() const { return *frame_; }

private:
    // Sends the next complete video packet, or the end of the stream; false once both are done.
    bool feed() {
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

    MovieInput& input_;
    const AVStream& stream_;
    ffmpeg::CodecContextPtr context_;
    ffmpeg::PacketPtr packet_;
    ffmpeg::FramePtr frame_;
    bool ended_ = false;
};

// The decoded picture as Format_RGB32 at `size`, converted with BT.709.
QImage toImage(const AVFrame& frame, QSize size) {
    const ffmpeg::ScalerPtr scaler(
        sws_getContext(frame.width, frame.height, AVPixelFormat(frame.format), size.width(),
                       size.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
    QImage image(size, QImage::Format_RGB32);
    if (!scaler || image.isNull() ||
        !ffmpeg::useBt709(scaler.get(), true, frame.color_range == AVCOL_RANGE_JPEG))
        throw LumbexError(kNoVideo);
    uint8_t* const target[4] = {image.bits(), nullptr, nullptr, nullptr};
    const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
    if (sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, target, strides) <= 0)
        throw LumbexError(kNoVideo);
    return image;
}

// Decodes forward and keeps the last picture that starts at or before `time`; the first picture
// when all start later. Nothing when the first decoded picture is already past `time` and
// `mustReachBack` asks for an earlier start.
std::optional<QImage> pictureAt(VideoDecoder& decoder, qint64 time, QSize size,
                                bool mustReachBack) {
    std::optional<QImage> picture;
    while (const std::optional<qint64> start = decoder.next()) {
        if (*start > time && (picture || mustReachBack))
            break;
        picture = toImage(decoder.frame(), size);
        if (*start > time)
            break;
    }
    if (mustReachBack && !picture)
        return std::nullopt;
    return picture;
}

// Decodes the movie's picture at `time`, after seeking near it when `seekFirst`; nothing when
// that seek does not land at or before `time`.
std::optional<QImage> decodePicture(const QString& file, qint64 time, bool seekFirst) {
    MovieInput input(file, kNoVideo);
    const AVStream* stream = input.videoStream();
    if (!stream || stream->codecpar->width <= 0 || stream->codecpar->height <= 0)
        throw LumbexError(kNoVideo);
    const QSize size(stream->codecpar->width, stream->codecpar->height);
    VideoDecoder decoder(input, *stream);
    if (seekFirst && !decoder.seek(time))
        return std::nullopt;
    return pictureAt(decoder, time, size, seekFirst);
}

} // namespace

QImage readRecordingFrame(const QString& file, qint64 time) {
    // A seek lands on the key frame before `time` when the demuxer has seen one there; otherwise
    // the movie is decoded from its start.
    if (time > 0)
        if (std::optional<QImage> picture = decodePicture(file, time, true))
            return *picture;
    const std::optional<QImage> picture = decodePicture(file, time, false);
    if (!picture)
        throw LumbexError(kNoVideo);
    return *picture;
}

} // namespace lumbex
