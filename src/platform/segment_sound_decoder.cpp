#include "core/error.h"
#include "platform/movie_input.h"
#include "platform/segment_sound.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>

namespace lumbex {
namespace {

const QString kUnreadable = QStringLiteral("The audio timeline could not be created.");
constexpr AVRational kMicroseconds{1, 1'000'000};
// AAC frames are short; starting this far before the interval finds the one that covers it.
constexpr qint64 kSeekLead = 200'000;

AVStream* trackStream(const MovieInput& input, qint32 trackId) {
    for (unsigned i = 0; i < input.format()->nb_streams; ++i) {
        AVStream* stream = input.format()->streams[i];
        if (stream->id == trackId && stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            return stream;
    }
    return nullptr;
}

// The index of the first sample at or after `time`, for a frame starting at `frameStart`.
qint64 sampleIndexAt(qint64 time, qint64 frameStart) {
    const qint64 offset = time - frameStart;
    if (offset <= 0)
        return 0;
    return (offset * kRecordingAudioRate + 999'999) / 1'000'000;
}

// The decoded frame as interleaved stereo, or false when its layout is not the recorder's.
bool interleave(const AVFrame& frame, qint64 first, qint64 last, std::vector<float>& out) {
    if (frame.sample_rate != kRecordingAudioRate ||
        frame.ch_layout.nb_channels != kRecordingAudioChannels)
        return false;
    out.resize(size_t((last - first) * kRecordingAudioChannels));
    const auto format = AVSampleFormat(frame.format);
    for (qint64 i = first; i < last; ++i)
        for (int c = 0; c < kRecordingAudioChannels; ++c) {
            float value = 0;
            if (format == AV_SAMPLE_FMT_FLTP)
                value = reinterpret_cast<const float*>(frame.extended_data[c])[i];
            else if (format == AV_SAMPLE_FMT_FLT)
                value = reinterpret_cast<const float*>(frame.data[0])[i * 2 + c];
            else
                return false;
            out[size_t((i - first) * kRecordingAudioChannels + c)] = value;
        }
    return true;
}

} // namespace

void readSegmentSound(const QString& file, qint32 trackId, qint64 start, qint64 end,
                      const SegmentSoundSink& sink) {
    MovieInput input(file, kUnreadable);
    const AVStream* stream = trackStream(input, trackId);
    const AVCodec* codec = stream ? avcodec_find_decoder(stream->codecpar->codec_id) : nullptr;
    ffmpeg::CodecContextPtr context(codec ? avcodec_alloc_context3(codec) : nullptr);
    ffmpeg::PacketPtr packet(av_packet_alloc());
    ffmpeg::FramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame ||
        avcodec_parameters_to_context(context.get(), stream->codecpar) < 0 ||
        avcodec_open2(context.get(), codec, nullptr) < 0)
        throw LumbexError(kUnreadable);
    if (start > kSeekLead)
        av_seek_frame(input.format(), stream->index,
                      av_rescale_q(start - kSeekLead, kMicroseconds, stream->time_base),
                      AVSEEK_FLAG_BACKWARD);

    AudioSample chunk;
    // Hands out every decoded frame; false once the frames reach the end of the interval.
    const auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) >= 0) {
            const qint64 pts = frame->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE)
                continue;
            const qint64 frameStart = av_rescale_q(pts, stream->time_base, kMicroseconds);
            if (frameStart >= end)
                return false;
            const qint64 first =
                std::min<qint64>(sampleIndexAt(start, frameStart), frame->nb_samples);
            const qint64 last = std::min<qint64>(sampleIndexAt(end, frameStart), frame->nb_samples);
            if (first >= last)
                continue;
            if (!interleave(*frame, first, last, chunk.samples))
                throw LumbexError(kUnreadable);
            chunk.time = frameStart + first * 1'000'000 / kRecordingAudioRate;
            sink(chunk);
        }
        return true;
    };
    while (input.readPacket(*packet)) {
        const bool ours = packet->stream_index == stream->index && input.isComplete(*packet);
        const int sent = ours ? avcodec_send_packet(context.get(), packet.get()) : 0;
        av_packet_unref(packet.get());
        if (sent < 0 && sent != AVERROR_INVALIDDATA)
            throw LumbexError(kUnreadable);
        if (ours && !drain())
            return;
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
}

} // namespace lumbex
