#pragma once

#include "core/file_names.h"
#include "platform/ffmpeg_support.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <vector>

namespace lumbex::test {

// A picture that tells frames apart: a solid background by hue, a white square that moves right
// by `index` × 4 pixels.
inline QImage numberedPicture(QSize size, int index) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor::fromHsv((index * 37) % 360, 220, 200));
    QPainter(&image).fillRect(QRect(index * 4 % (size.width() - 16), 8, 16, 16), Qt::white);
    return image;
}

struct DecodedFrame {
    QImage image;
    qint64 start = 0;    // µs
    qint64 duration = 0; // µs
};

struct DecodedMovie {
    int width = 0;
    int height = 0;
    qint64 duration = 0; // µs, the container's
    int audioStreams = 0;
    std::vector<DecodedFrame> frames;
};

// Reads a whole file through libavformat and libavcodec: every video frame as Format_RGB32 with
// its time and packet duration.
inline DecodedMovie decodeMovie(const QString& path) {
    DecodedMovie movie;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, encodeFileName(path).constData(), nullptr, nullptr) < 0)
        return movie;
    avformat_find_stream_info(format, nullptr);
    movie.duration = format->duration;
    const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    for (unsigned i = 0; i < format->nb_streams; ++i)
        movie.audioStreams += format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO;
    if (video < 0) {
        avformat_close_input(&format);
        return movie;
    }
    const AVStream& stream = *format->streams[video];
    movie.width = stream.codecpar->width;
    movie.height = stream.codecpar->height;
    const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
    ffmpeg::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream.codecpar);
    avcodec_open2(decoder.get(), codec, nullptr);
    ffmpeg::PacketPtr packet(av_packet_alloc());
    ffmpeg::FramePtr frame(av_frame_alloc());
    const AVRational microseconds{1, 1'000'000};
    const auto receive = [&] {
        while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
            QImage image(frame->width, frame->height, QImage::Format_RGB32);
            ffmpeg::ScalerPtr scaler(sws_getContext(
                frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
            uint8_t* target[4] = {image.bits(), nullptr, nullptr, nullptr};
            const int strides[4] = {int(image.bytesPerLine()), 0, 0, 0};
            sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, target,
                      strides);
            movie.frames.push_back(
                {image, av_rescale_q(frame->best_effort_timestamp, stream.time_base, microseconds),
                 av_rescale_q(frame->pkt_duration, stream.time_base, microseconds)});
        }
    };
    while (av_read_frame(format, packet.get()) >= 0) {
        if (packet->stream_index == video && avcodec_send_packet(decoder.get(), packet.get()) >= 0)
            receive();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(decoder.get(), nullptr);
    receive();
    avformat_close_input(&format);
    return movie;
}

inline bool near(QRgb pixel, QColor expected, int tolerance) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

} // namespace lumbex::test
