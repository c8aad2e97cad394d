#pragma once

#include "core/error.h"
#include "platform/recording_media.h"
#include "support/temporary_folder.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace lumbex::test {

// The host-clock time every test session starts at.
inline constexpr qint64 kSessionStart = 5'000'000'000;

inline QImage solidImage(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

inline MovieSettings movieSettings(const QString& path, int width = 160, int height = 120,
                                   std::vector<RecordingAudio> audio = {}) {
    MovieSettings settings;
    settings.path = path;
    settings.width = width;
    settings.height = height;
    settings.videoBitRate = 300'000;
    settings.fragmentSeconds = 1;
    settings.audio = std::move(audio);
    return settings;
}

// `frames` of a 440 Hz tone starting `time` µs after the session start.
inline AudioSample toneChunk(qint64 time, qint64 frames, qint64 firstFrame = 0) {
    AudioSample chunk;
    chunk.time = kSessionStart + time;
    chunk.samples.resize(size_t(frames * kRecordingAudioChannels));
    for (qint64 i = 0; i < frames; ++i) {
        const float value =
            0.25f * float(std::sin(2 * M_PI * 440 * double(firstFrame + i) / kRecordingAudioRate));
        chunk.samples[size_t(i * 2)] = value;
        chunk.samples[size_t(i * 2 + 1)] = value;
    }
    return chunk;
}

// A picture shown from `time` µs after the session start.
struct Picture {
    qint64 time;
    QColor colour;
    QSize size = {160, 120};
};

struct Sound {
    RecordingAudio role;
    AudioSample chunk;
};

// `seconds` of tone for `role` in chunks of `chunkFrames`.
inline std::vector<Sound> toneFor(RecordingAudio role, qint64 seconds, qint64 chunkFrames = 960) {
    std::vector<Sound> sounds;
    for (qint64 frame = 0; frame + chunkFrames <= seconds * kRecordingAudioRate;
         frame += chunkFrames)
        sounds.push_back(
            {role, toneChunk(frame * 1'000'000 / kRecordingAudioRate, chunkFrames, frame)});
    return sounds;
}

// Writes and finishes a movie of solid pictures and sound chunks, appended in time order as a
// recorder would, ending at `end` (µs after the session start).
inline void writeMovie(const MovieSettings& settings, const std::vector<Picture>& pictures,
                       qint64 end, std::vector<Sound> sounds = {}) {
    std::stable_sort(sounds.begin(), sounds.end(),
                     [](const Sound& a, const Sound& b) { return a.chunk.time < b.chunk.time; });
    const auto writer = openMovieWriter(settings);
    writer->startSession(kSessionStart);
    auto sound = sounds.begin();
    for (const Picture& picture : pictures) {
        for (; sound != sounds.end() && sound->chunk.time <= kSessionStart + picture.time; ++sound)
            writer->appendAudio(sound->role, sound->chunk);
        if (!writer->appendVideo(
                {solidImage(picture.size, picture.colour), kSessionStart + picture.time}))
            throw LumbexError(QStringLiteral("picture refused"));
    }
    for (; sound != sounds.end(); ++sound)
        writer->appendAudio(sound->role, sound->chunk);
    writer->endSession(kSessionStart + end);
    if (!writer->finish())
        throw LumbexError(QStringLiteral("finish failed"));
}

struct ProbedPacket {
    qint64 pts = 0;
    qint64 dts = 0;
    bool key = false;
};

struct ProbedStream {
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
    AVCodecID codec = AV_CODEC_ID_NONE;
    int width = 0;
    int height = 0;
    int videoDelay = 0;
    AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
    AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
    AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
    int sampleRate = 0;
    int channels = 0;
    std::string handlerName;
    AVRational timeBase{0, 1};
    // The end of the track's last sample (the demuxer leaves fragment samples without durations).
    qint64 trackEnd = 0;
    std::vector<ProbedPacket> packets;

    // Microseconds of a timestamp of this stream.
    qint64 us(qint64 value) const { return av_rescale_q(value, timeBase, {1, 1'000'000}); }
    // First packet start and track end, in microseconds.
    qint64 startUs() const { return us(packets.front().pts); }
    qint64 endUs() const { return us(trackEnd); }
};

// Every stream and packet of a movie, read with libavformat directly.
inline std::vector<ProbedStream> probeMovie(const QString& path) {
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    std::vector<ProbedStream> streams;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream& s = *format->streams[i];
        ProbedStream p;
        p.type = s.codecpar->codec_type;
        p.codec = s.codecpar->codec_id;
        p.width = s.codecpar->width;
        p.height = s.codecpar->height;
        p.videoDelay = s.codecpar->video_delay;
        p.primaries = s.codecpar->color_primaries;
        p.transfer = s.codecpar->color_trc;
        p.matrix = s.codecpar->color_space;
        p.sampleRate = s.codecpar->sample_rate;
        p.channels = s.codecpar->ch_layout.nb_channels;
        if (const AVDictionaryEntry* e = av_dict_get(s.metadata, "handler_name", nullptr, 0))
            p.handlerName = e->value;
        p.timeBase = s.time_base;
        streams.push_back(p);
    }
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        streams[size_t(packet->stream_index)].packets.push_back(
            {packet->pts, packet->dts, (packet->flags & AV_PKT_FLAG_KEY) != 0});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    for (unsigned i = 0; i < format->nb_streams; ++i)
        streams[i].trackEnd = format->streams[i]->duration;
    avformat_close_input(&format);
    return streams;
}

} // namespace lumbex::test
