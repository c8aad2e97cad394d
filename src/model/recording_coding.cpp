#include "model/recording_coding.h"

namespace lumbex {
namespace {

// The audio track map is stored flat: [kind, track, kind, track, ...].
std::map<RecordingAudio, qint32> decodeAudioTracks(const JsonNode& node) {
    const auto items = node.toArray();
    if (items.size() % 2 != 0)
        node.fail(QStringLiteral("expected pairs of track kind and track number"));
    std::map<RecordingAudio, qint32> tracks;
    for (size_t i = 0; i < items.size(); i += 2) {
        tracks[items[i].toEnum(recordingAudioFromRaw)] = items[i + 1].toInt32();
    }
    return tracks;
}

RecordingSegment decodeSegment(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    const auto integer = [](const JsonNode& n) { return n.toInt64(); };
    RecordingSegment s;
    s.id = o.required(QStringLiteral("id")).toId();
    s.width = o.required(QStringLiteral("width")).toInt64();
    s.height = o.required(QStringLiteral("height")).toInt64();
    s.sourceStart = o.required(QStringLiteral("sourceStart")).toInt64();
    s.duration = o.required(QStringLiteral("duration")).toInt64();
    s.hostStart = o.optionalOf(QStringLiteral("hostStart"), integer);
    s.hostEnd = o.optionalOf(QStringLiteral("hostEnd"), integer);
    s.sha256 = o.required(QStringLiteral("sha256")).toString();
    s.byteCount = o.required(QStringLiteral("byteCount")).toInt64();
    s.audioTracks = decodeAudioTracks(o.required(QStringLiteral("audioTracks")));
    s.droppedVideo = o.required(QStringLiteral("droppedVideo")).toInt64();
    s.droppedAudio = o.required(QStringLiteral("droppedAudio")).toInt64();
    return s;
}

RecordingRedaction decodeRedaction(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("id")).toId(),
            decodeRecordingRange(o.required(QStringLiteral("range"))),
            o.required(QStringLiteral("rect")).toRect()};
}

void writeAudioTracks(JsonWriter& out, const std::map<RecordingAudio, qint32>& tracks) {
    out.beginArray();
    for (const auto& [kind, track] : tracks) {
        out.value(rawValue(kind));
        out.value(qint64(track));
    }
    out.endArray();
}

void writeRedaction(JsonWriter& out, const RecordingRedaction& r) {
    out.beginObject();
    out.key("id");
    out.value(r.id);
    out.key("range");
    writeRecordingRange(out, r.range);
    out.key("rect");
    out.value(r.rect);
    out.endObject();
}

} // namespace

void writeRecordingSegment(JsonWriter& out, const RecordingSegment& s) {
    out.beginObject();
    out.key("audioTracks");
    writeAudioTracks(out, s.audioTracks);
    out.key("byteCount");
    out.value(s.byteCount);
    out.key("droppedAudio");
    out.value(s.droppedAudio);
    out.key("droppedVideo");
    out.value(s.droppedVideo);
    out.key("duration");
    out.value(s.duration);
    out.key("height");
    out.value(s.height);
    out.optional("hostEnd", s.hostEnd);
    out.optional("hostStart", s.hostStart);
    out.key("id");
    out.value(s.id);
    out.key("sha256");
    out.value(s.sha256);
    out.key("sourceStart");
    out.value(s.sourceStart);
    out.key("width");
    out.value(s.width);
    out.endObject();
}

void writeRecordingRange(JsonWriter& out, const RecordingRange& range) {
    out.beginObject();
    out.key("end");
    out.value(range.end);
    out.key("start");
    out.value(range.start);
    out.endObject();
}

void writeScreenRecording(JsonWriter& out, const ScreenRecording& r) {
    out.beginObject();
    out.key("createdAt");
    out.value(r.createdAt);
    out.optional("crop", r.crop);
    out.key("id");
    out.value(r.id);
    out.key("muteMicrophone");
    out.value(r.muteMicrophone);
    out.key("muteSystem");
    out.value(r.muteSystem);
    out.optional("recovery", r.recovery, [&](RecordingRecovery v) { out.value(rawValue(v)); });
    out.key("redactions");
    out.array(r.redactions, [&](const RecordingRedaction& x) { writeRedaction(out, x); });
    out.key("segments");
    out.array(r.segments, [&](const RecordingSegment& s) { writeRecordingSegment(out, s); });
    out.key("title");
    out.value(r.title);
    out.optional("trim", r.trim, [&](const RecordingRange& t) { writeRecordingRange(out, t); });
    out.endObject();
}

RecordingRange decodeRecordingRange(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("start")).toInt64(),
            o.required(QStringLiteral("end")).toInt64()};
}

ScreenRecording decodeScreenRecording(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    ScreenRecording r;
    r.id = o.required(QStringLiteral("id")).toId();
    r.title = o.required(QStringLiteral("title")).toString();
    r.createdAt = o.required(QStringLiteral("createdAt")).toDouble();
    r.segments = o.required(QStringLiteral("segments")).toArrayOf(decodeSegment);
    r.trim = o.optionalOf(QStringLiteral("trim"), decodeRecordingRange);
    r.crop = o.optionalOf(QStringLiteral("crop"), [](const JsonNode& n) { return n.toRect(); });
    r.muteSystem = o.required(QStringLiteral("muteSystem")).toBool();
    r.muteMicrophone = o.required(QStringLiteral("muteMicrophone")).toBool();
    r.redactions = o.required(QStringLiteral("redactions")).toArrayOf(decodeRedaction);
    r.recovery = o.optionalOf(QStringLiteral("recovery"),
                              [](const JsonNode& n) { return n.toEnum(recordingRecoveryFromRaw); });
    return r;
}

} // namespace lumbex
