#include "model/recording_coding.h"

#include "core/json_write.h"

namespace lumbex {
namespace {

// The audio track map is stored flat: [kind, track, kind, track, ...].
QJsonArray encodeAudioTracks(const std::map<RecordingAudio, qint32>& tracks) {
    QJsonArray out;
    for (const auto& [kind, track] : tracks) {
        out.append(rawValue(kind));
        out.append(track);
    }
    return out;
}

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

QJsonObject encodeSegment(const RecordingSegment& s) {
    QJsonObject o{
        {QStringLiteral("id"), jsonId(s.id)},
        {QStringLiteral("width"), s.width},
        {QStringLiteral("height"), s.height},
        {QStringLiteral("sourceStart"), s.sourceStart},
        {QStringLiteral("duration"), s.duration},
        {QStringLiteral("sha256"), s.sha256},
        {QStringLiteral("byteCount"), s.byteCount},
        {QStringLiteral("audioTracks"), encodeAudioTracks(s.audioTracks)},
        {QStringLiteral("droppedVideo"), s.droppedVideo},
        {QStringLiteral("droppedAudio"), s.droppedAudio},
    };
    const auto integer = [](qint64 v) { return QJsonValue(v); };
    insertOptional(o, QStringLiteral("hostStart"), s.hostStart, integer);
    insertOptional(o, QStringLiteral("hostEnd"), s.hostEnd, integer);
    return o;
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

QJsonObject encodeRedaction(const RecordingRedaction& r) {
    return {{QStringLiteral("id"), jsonId(r.id)},
            {QStringLiteral("range"), encodeRecordingRange(r.range)},
            {QStringLiteral("rect"), jsonRect(r.rect)}};
}

RecordingRedaction decodeRedaction(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("id")).toId(),
            decodeRecordingRange(o.required(QStringLiteral("range"))),
            o.required(QStringLiteral("rect")).toRect()};
}

} // namespace

QJsonObject encodeRecordingRange(const RecordingRange& range) {
    return {{QStringLiteral("start"), range.start}, {QStringLiteral("end"), range.end}};
}

RecordingRange decodeRecordingRange(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("start")).toInt64(),
            o.required(QStringLiteral("end")).toInt64()};
}

QJsonObject encodeScreenRecording(const ScreenRecording& r) {
    QJsonArray segments;
    for (const RecordingSegment& s : r.segments)
        segments.append(encodeSegment(s));
    QJsonArray redactions;
    for (const RecordingRedaction& x : r.redactions)
        redactions.append(encodeRedaction(x));
    QJsonObject o{
        {QStringLiteral("id"), jsonId(r.id)},
        {QStringLiteral("title"), r.title},
        {QStringLiteral("createdAt"), r.createdAt},
        {QStringLiteral("segments"), segments},
        {QStringLiteral("muteSystem"), r.muteSystem},
        {QStringLiteral("muteMicrophone"), r.muteMicrophone},
        {QStringLiteral("redactions"), redactions},
    };
    insertOptional(o, QStringLiteral("trim"), r.trim, encodeRecordingRange);
    insertOptional(o, QStringLiteral("crop"), r.crop, jsonRect);
    insertOptional(o, QStringLiteral("recovery"), r.recovery,
                   [](RecordingRecovery v) { return rawValue(v); });
    return o;
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
