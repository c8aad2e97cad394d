#include "platform/encoder_parts.h"

#include "core/error.h"

namespace lumbex {

EncoderParts::EncoderParts(const char* encoderName, const QString& failure) {
    ffmpeg::quietLogs();
    const AVCodec* found = avcodec_find_encoder_by_name(encoderName);
    context.reset(found ? avcodec_alloc_context3(found) : nullptr);
    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    if (!context || !frame || !packet)
        throw LumbexError(failure);
}

bool EncoderParts::send(const AVFrame* input, const PacketWriter& write,
                        const std::function<void(AVPacket&)>& adjust) {
    const int sent = avcodec_send_frame(context.get(), input);
    if (sent < 0 && !(input == nullptr && sent == AVERROR_EOF))
        return false;
    for (;;) {
        const int received = avcodec_receive_packet(context.get(), packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return true;
        if (received < 0)
            return false;
        if (adjust)
            adjust(*packet);
        const bool written = write(*packet);
        av_packet_unref(packet.get());
        if (!written)
            return false;
    }
}

} // namespace lumbex
