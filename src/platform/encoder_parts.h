#pragma once

#include "platform/ffmpeg_support.h"

#include <QString>
#include <functional>

namespace lumbex {

// Receives each encoded packet, its timestamps in the encoder's time base; false stops encoding.
using PacketWriter = std::function<bool(AVPacket& packet)>;

// What every encoder here works with: the codec's context, one frame to fill and one packet to
// receive into.
struct EncoderParts {
    ffmpeg::CodecContextPtr context;
    ffmpeg::FramePtr frame;
    ffmpeg::PacketPtr packet;

    // The named encoder, not yet opened. Throws LumbexError(`failure`) when FFmpeg lacks it or
    // memory runs out.
    EncoderParts(const char* encoderName, const QString& failure);
    const AVCodec* codec() const { return context->codec; }

    // Sends `frame` (null: drain) and passes every packet the encoder has ready to `write`, after
    // `adjust`. False on an encoder error or when `write` refuses.
    bool send(const AVFrame* frame, const PacketWriter& write,
              const std::function<void(AVPacket&)>& adjust = {});
};

} // namespace lumbex
