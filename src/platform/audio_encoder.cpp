#include "platform/audio_encoder.h"

#include "core/error.h"

#include <algorithm>
#include <cstring>

namespace lumbex {
namespace {

const QString kNotPrepared = QStringLiteral("The audio encoder could not be prepared.");
constexpr int kBitRate = 128'000;
// How far a chunk's time may stray from the continuous position before the sound is moved back
// into place: 50 ms, well below what a viewer notices and well above timestamp jitter.
constexpr qint64 kResyncFrames = kRecordingAudioRate / 20;

qint64 samplePosition(qint64 microseconds) {
    const qint64 scaled = microseconds * kRecordingAudioRate;
    return (scaled >= 0 ? scaled + 500'000 : scaled - 500'000) / 1'000'000;
}

// The encoder dates each packet earlier by its priming delay, so a decoder plays every sample at
// its own time. Files without edit lists cannot start before 0: the priming packet of sound that
// starts with the session is left out, and decoding starts with the first real samples faded in.
PacketWriter fromSessionStart(const PacketWriter& write) {
    return [&write](AVPacket& packet) { return packet.pts < 0 || write(packet); };
}

} // namespace

AudioEncoder::AudioEncoder(bool globalHeader) : parts_("aac", kNotPrepared) {
    AVCodecContext& c = *parts_.context;
    c.sample_fmt = AV_SAMPLE_FMT_FLTP;
    c.sample_rate = kRecordingAudioRate;
    c.bit_rate = kBitRate;
    c.time_base = {1, kRecordingAudioRate};
    av_channel_layout_default(&c.ch_layout, kRecordingAudioChannels);
    if (globalHeader)
        c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(&c, parts_.codec(), nullptr) < 0 || c.frame_size <= 0)
        throw LumbexError(kNotPrepared);
    frameSize_ = c.frame_size;

    parts_.frame->format = AV_SAMPLE_FMT_FLTP;
    parts_.frame->sample_rate = kRecordingAudioRate;
    parts_.frame->nb_samples = frameSize_;
    if (av_channel_layout_copy(&parts_.frame->ch_layout, &c.ch_layout) < 0 ||
        av_frame_get_buffer(parts_.frame.get(), 0) < 0)
        throw LumbexError(kNotPrepared);
}

bool AudioEncoder::append(const AudioSample& sample, qint64 time, const PacketWriter& write) {
    const qint64 frames = sample.frameCount();
    const qint64 position = samplePosition(time);
    qint64 skipped = 0;
    if (!end_) {
        // Sound from before the session start has no place in the file.
        skipped = std::max<qint64>(0, -position);
        end_ = position + skipped;
    } else if (position - *end_ > kResyncFrames) {
        if (!padSilence(position - *end_, write))
            return false;
    } else if (*end_ - position > kResyncFrames) {
        skipped = *end_ - position;
    }
    for (qint64 i = std::min(skipped, frames); i < frames; ++i) {
        left_.push_back(sample.samples[size_t(i * 2)]);
        right_.push_back(sample.samples[size_t(i * 2 + 1)]);
    }
    *end_ += std::max<qint64>(0, frames - skipped);
    return encodeFullFrames(write);
}

bool AudioEncoder::finish(const PacketWriter& write) {
    if (!left_.empty() && !padSilence(frameSize_ - qint64(left_.size()), write))
        return false;
    return parts_.send(nullptr, fromSessionStart(write));
}

bool AudioEncoder::padSilence(qint64 frames, const PacketWriter& write) {
    // A frame at a time, so that a long gap never sits in memory at once.
    while (frames > 0) {
        const qint64 step = std::min<qint64>(frames, frameSize_);
        left_.insert(left_.end(), size_t(step), 0.0f);
        right_.insert(right_.end(), size_t(step), 0.0f);
        *end_ += step;
        frames -= step;
        if (!encodeFullFrames(write))
            return false;
    }
    return true;
}

bool AudioEncoder::encodeFullFrames(const PacketWriter& write) {
    size_t used = 0;
    bool ok = true;
    while (ok && left_.size() - used >= size_t(frameSize_)) {
        if (av_frame_make_writable(parts_.frame.get()) < 0)
            return false;
        std::memcpy(parts_.frame->data[0], left_.data() + used, sizeof(float) * size_t(frameSize_));
        std::memcpy(parts_.frame->data[1], right_.data() + used,
                    sizeof(float) * size_t(frameSize_));
        parts_.frame->pts = *end_ - qint64(left_.size() - used);
        used += size_t(frameSize_);
        ok = encodeFrame(write);
    }
    left_.erase(left_.begin(), left_.begin() + qsizetype(used));
    right_.erase(right_.begin(), right_.begin() + qsizetype(used));
    return ok;
}

bool AudioEncoder::encodeFrame(const PacketWriter& write) {
    return parts_.send(parts_.frame.get(), fromSessionStart(write));
}

} // namespace lumbex
