#pragma once

#include "platform/encoder_parts.h"
#include "platform/recording_media.h"

#include <optional>
#include <vector>

namespace lumbex {

// FFmpeg's native AAC encoder (48,000 Hz stereo, 128,000 bit/s) fed with chunks of interleaved
// float sound of any length. Timestamps count samples from the session start: the first chunk's
// time places the sound, later chunks continue it without gaps unless their time drifts more
// than a moment away, so that sound stays with the picture over a long recording.
class AudioEncoder {
public:
    // Throws "The audio encoder could not be prepared.".
    explicit AudioEncoder(bool globalHeader);

    const AVCodecContext& context() const { return *parts_.context; }
    bool hasSamples() const { return end_.has_value(); }

    // `time`: microseconds of the chunk's first sample after the session start.
    bool append(const AudioSample& sample, qint64 time, const PacketWriter& write);
    // Completes the last partial frame with silence and drains the encoder; nothing may follow.
    bool finish(const PacketWriter& write);

private:
    bool padSilence(qint64 frames, const PacketWriter& write);
    bool encodeFullFrames(const PacketWriter& write);
    bool encodeFrame(const PacketWriter& write);

    EncoderParts parts_;
    int frameSize_ = 0;
    // Samples waiting for a full encoder frame, one vector per channel.
    std::vector<float> left_;
    std::vector<float> right_;
    // The sample position just after the last buffered sample; empty before the first chunk.
    std::optional<qint64> end_;
};

} // namespace lumbex
