#include "core/error.h"
#include "model/recording_files.h"
#include "platform/movie_input.h"
#include "platform/recording_media.h"
#include "records/recording_time.h"

namespace lumbex {
namespace {

const QString kNoVideo = QStringLiteral("The recording contains no readable video.");
const QString kInvalidTimestamp = QStringLiteral("The recording has an invalid timestamp.");

// Microseconds of a stream timestamp, exact: a time base other than 1/N is scaled only when
// its numerator keeps the value in range.
qint64 streamMicroseconds(qint64 value, AVRational timeBase) {
    qint64 scaled = 0;
    if (timeBase.num <= 0 || __builtin_mul_overflow(value, qint64(timeBase.num), &scaled))
        throw LumbexError(kInvalidTimestamp);
    return recordingMicroseconds({scaled, timeBase.den});
}

// Where the sample at `time` ends: where the next sample of the track starts, or for its last
// sample the end of the track. The demuxer gives fragment samples no durations of their own.
qint64 sampleEnd(const AVStream& stream, qint64 time) {
    const int count = avformat_index_get_entries_count(&stream);
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(const_cast<AVStream*>(&stream), i);
        if (entry->timestamp <= time)
            continue;
        return entry->timestamp;
    }
    return stream.duration != AV_NOPTS_VALUE ? std::max<qint64>(stream.duration, time) : time;
}

std::optional<RecordingAudio> audioRole(const AVStream& stream) {
    if (stream.codecpar->codec_type != AVMEDIA_TYPE_AUDIO)
        return std::nullopt;
    for (const char* key : {"handler_name", "title"}) {
        const AVDictionaryEntry* entry = av_dict_get(stream.metadata, key, nullptr, 0);
        if (!entry)
            continue;
        const QString title = QString::fromUtf8(entry->value);
        for (RecordingAudio role : {RecordingAudio::System, RecordingAudio::Microphone})
            if (title == trackTitle(role))
                return role;
    }
    return std::nullopt;
}

} // namespace

MovieOutline outlineMovie(const QString& file) {
    MovieInput input(file, kNoVideo);
    const AVStream* video = input.videoStream();
    if (!video || video->codecpar->width <= 0 || video->codecpar->height <= 0)
        throw LumbexError(kNoVideo);

    std::map<int, RecordingAudio> audioStreams; // stream index → role, first track per role
    for (unsigned i = 0; i < input.format()->nb_streams; ++i) {
        const auto role = audioRole(*input.format()->streams[i]);
        if (role && std::none_of(audioStreams.begin(), audioStreams.end(),
                                 [&](const auto& entry) { return entry.second == *role; }))
            audioStreams[int(i)] = *role;
    }

    std::optional<qint64> first;
    std::optional<qint64> last;
    std::map<RecordingAudio, qint32> audioTracks;
    const ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!packet)
        throw std::bad_alloc();
    while (input.readPacket(*packet)) {
        const bool complete = input.isComplete(*packet);
        if (complete && packet->stream_index == video->index && packet->pts != AV_NOPTS_VALUE) {
            first = std::min<qint64>(first.value_or(packet->pts), packet->pts);
            last = std::max<qint64>(last.value_or(packet->pts), packet->pts);
        } else if (complete) {
            const auto audio = audioStreams.find(packet->stream_index);
            if (audio != audioStreams.end())
                audioTracks[audio->second] =
                    qint32(input.format()->streams[packet->stream_index]->id);
        }
        av_packet_unref(packet.get());
    }
    if (!first)
        throw LumbexError(kNoVideo);
    const qint64 start = streamMicroseconds(*first, video->time_base);
    const qint64 end = streamMicroseconds(sampleEnd(*video, *last), video->time_base);
    if (end <= start)
        throw LumbexError(kNoVideo);

    MovieOutline outline;
    outline.width = video->codecpar->width;
    outline.height = video->codecpar->height;
    outline.start = start;
    outline.duration = end - start;
    outline.byteCount = input.fileSize();
    outline.audioTracks = std::move(audioTracks);
    return outline;
}

RecordingSegment inspectRecordingSegment(const QString& file, const Id& id,
                                         std::optional<qint64> hostStart,
                                         std::optional<qint64> hostEnd, qint64 droppedVideo,
                                         qint64 droppedAudio) {
    MovieOutline outline = outlineMovie(file);
    RecordingSegment segment;
    segment.id = id;
    segment.width = outline.width;
    segment.height = outline.height;
    segment.sourceStart = outline.start;
    segment.duration = outline.duration;
    segment.hostStart = hostStart;
    segment.hostEnd = hostEnd;
    segment.byteCount = outline.byteCount;
    segment.sha256 = RecordingFiles::hash(file);
    segment.audioTracks = std::move(outline.audioTracks);
    segment.droppedVideo = droppedVideo;
    segment.droppedAudio = droppedAudio;
    return segment;
}

} // namespace lumbex
