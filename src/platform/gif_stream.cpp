#include "platform/gif_stream.h"

#include "platform/gif_palette.h"

#include <QPainter>

extern "C" {
#include <libavutil/opt.h>
}

namespace lumbex {
namespace {

constexpr AVRational kCentiseconds{1, 100};

// `image` at exactly `size`: scaled to fit with its proportions kept, centred on black.
QImage fitted(const QImage& image, QSize size) {
    if (image.size() == size)
        return image;
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    const QSize scaled = image.size().scaled(size, Qt::KeepAspectRatio);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(
        QRect(QPoint((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2),
              scaled),
        image);
    return canvas;
}

} // namespace

GIFStream::GIFStream(int width, int height, bool loop, AVIOContext* io)
    : width_(width), height_(height), loop_(loop), io_(io),
      parts_("gif", QStringLiteral("The GIF file could not be created.")) {}

GIFStream::~GIFStream() {
    // The GIF muxer holds the last frame back until it knows its delay, and frees it only in its
    // trailer: an export that stops early still ends the file (which it then removes).
    if (headerWritten_ && !trailerWritten_)
        av_write_trailer(muxer_.get());
}

bool GIFStream::open() {
    AVCodecContext& c = *parts_.context;
    c.width = width_;
    c.height = height_;
    c.pix_fmt = AV_PIX_FMT_PAL8;
    c.time_base = kCentiseconds;
    if (avcodec_open2(&c, c.codec, nullptr) < 0)
        return false;
    parts_.frame->format = AV_PIX_FMT_PAL8;
    parts_.frame->width = width_;
    parts_.frame->height = height_;
    AVFormatContext* muxer = nullptr;
    if (avformat_alloc_output_context2(&muxer, nullptr, "gif", nullptr) < 0 || !muxer)
        return false;
    muxer_.reset(muxer);
    muxer_->pb = io_;
    muxer_->flags |= AVFMT_FLAG_CUSTOM_IO;
    stream_ = avformat_new_stream(muxer, nullptr);
    if (!stream_ || avcodec_parameters_from_context(stream_->codecpar, &c) < 0)
        return false;
    stream_->time_base = kCentiseconds;
    AVDictionary* options = nullptr;
    av_dict_set_int(&options, "loop", loop_ ? 0 : -1, 0);
    const int written = avformat_write_header(muxer, &options);
    av_dict_free(&options);
    headerWritten_ = written >= 0;
    return headerWritten_;
}

bool GIFStream::add(const QImage& image, qint64 centiseconds) {
    AVFrame& frame = *parts_.frame;
    // A fresh buffer for every frame: the encoder may still refer to the previous one.
    av_frame_unref(&frame);
    frame.format = AV_PIX_FMT_PAL8;
    frame.width = width_;
    frame.height = height_;
    if (av_frame_get_buffer(&frame, 0) < 0)
        return false;
    quantizeToPalette(fitted(image, {width_, height_}), frame);
    frame.pts = centiseconds;
    return parts_.send(&frame, [this](AVPacket& packet) { return write(packet); });
}

bool GIFStream::write(AVPacket& packet) {
    packet.stream_index = stream_->index;
    av_packet_rescale_ts(&packet, kCentiseconds, stream_->time_base);
    return av_write_frame(muxer_.get(), &packet) >= 0;
}

bool GIFStream::end(qint64 finalDelay) {
    const bool drained = parts_.send(nullptr, [this](AVPacket& packet) { return write(packet); });
    // The muxer takes each delay from the next frame's time; the last one has none.
    if (!drained || av_opt_set_int(muxer_->priv_data, "final_delay", finalDelay, 0) < 0)
        return false;
    trailerWritten_ = true;
    return av_write_trailer(muxer_.get()) >= 0;
}

} // namespace lumbex
