#include "model/note_coding.h"

#include "model/recording_coding.h"

namespace lumbex {
namespace {

const auto readNumber = [](const JsonNode& n) { return n.toDouble(); };
const auto readString = [](const JsonNode& n) { return n.toString(); };
const auto readBool = [](const JsonNode& n) { return n.toBool(); };
const auto readId = [](const JsonNode& n) { return n.toId(); };
const auto readPoint = [](const JsonNode& n) { return n.toPoint(); };
const auto readRect = [](const JsonNode& n) { return n.toRect(); };

ImageBackground decodeBackground(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("style")).toEnum(backgroundStyleFromRaw),
            o.required(QStringLiteral("color")).toString(),
            o.required(QStringLiteral("secondaryColor")).toString(),
            o.required(QStringLiteral("padding")).toDouble(),
            o.required(QStringLiteral("cornerRadius")).toDouble(),
            o.required(QStringLiteral("shadow")).toBool()};
}

RecognitionCache decodeRecognition(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("imageKey")).toString(),
            o.required(QStringLiteral("text")).toString()};
}

RecordingFrame decodeFrame(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("sourceTime")).toInt64(),
            o.required(QStringLiteral("visualKey")).toString()};
}

ScrollCaptureInfo::Piece decodePiece(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("mediaID")).toId(),
            o.optionalOf(QStringLiteral("offsetY"), [](const JsonNode& n) { return n.toInt64(); }),
            o.required(QStringLiteral("footerHeight")).toInt64()};
}

ScrollCaptureInfo decodeScrollCapture(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    ScrollCaptureInfo s;
    s.partial = o.required(QStringLiteral("partial")).toBool();
    s.issue = o.optionalOf(QStringLiteral("issue"), readString);
    s.pieces = o.required(QStringLiteral("pieces")).toArrayOf(decodePiece);
    s.imported = o.optionalOf(QStringLiteral("imported"), readBool);
    return s;
}

Media decodeMedia(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    Media m;
    m.id = o.required(QStringLiteral("id")).toId();
    m.name = o.required(QStringLiteral("name")).toString();
    m.width = o.required(QStringLiteral("width")).toInt64();
    m.height = o.required(QStringLiteral("height")).toInt64();
    m.sha256 = o.required(QStringLiteral("sha256")).toString();
    m.role = o.required(QStringLiteral("role")).toEnum(mediaRoleFromRaw);
    m.includeInRequest = o.required(QStringLiteral("includeInRequest")).toBool();
    m.crop = o.optionalOf(QStringLiteral("crop"), readRect);
    m.background = o.optionalOf(QStringLiteral("background"), decodeBackground);
    m.recognition = o.optionalOf(QStringLiteral("recognition"), decodeRecognition);
    m.recordingFrame = o.optionalOf(QStringLiteral("recordingFrame"), decodeFrame);
    m.scrollCapture = o.optionalOf(QStringLiteral("scrollCapture"), decodeScrollCapture);
    return m;
}

Mark decodeMark(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    Mark m;
    m.id = o.required(QStringLiteral("id")).toId();
    m.mediaID = o.required(QStringLiteral("mediaID")).toId();
    m.kind = o.required(QStringLiteral("kind")).toEnum(markKindFromRaw);
    m.start = o.required(QStringLiteral("start")).toPoint();
    m.end = o.required(QStringLiteral("end")).toPoint();
    m.text = o.required(QStringLiteral("text")).toString();
    m.color = o.required(QStringLiteral("color")).toString();
    m.lineWidth = o.required(QStringLiteral("lineWidth")).toDouble();
    m.points = o.optionalOf(QStringLiteral("points"),
                            [](const JsonNode& n) { return n.toArrayOf(readPoint); });
    m.opacity = o.optionalOf(QStringLiteral("opacity"), readNumber);
    m.magnification = o.optionalOf(QStringLiteral("magnification"), readNumber);
    m.magnificationCenter = o.optionalOf(QStringLiteral("magnificationCenter"), readPoint);
    return m;
}

LinkedNote decodeLinkedNote(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    LinkedNote n;
    n.id = o.required(QStringLiteral("id")).toId();
    n.markID = o.optionalOf(QStringLiteral("markID"), readId);
    n.body = o.required(QStringLiteral("body")).toString();
    n.included = o.required(QStringLiteral("included")).toBool();
    n.timeRange = o.optionalOf(QStringLiteral("timeRange"), decodeRecordingRange);
    return n;
}

VoiceRecording decodeVoiceRecording(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    VoiceRecording v;
    v.id = o.required(QStringLiteral("id")).toId();
    v.noteID = o.optionalOf(QStringLiteral("noteID"), readId);
    v.createdAt = o.required(QStringLiteral("createdAt")).toDouble();
    v.locale = o.required(QStringLiteral("locale")).toString();
    v.duration = o.required(QStringLiteral("duration")).toDouble();
    v.transcript = o.required(QStringLiteral("transcript")).toString();
    v.audioSHA256 = o.optionalOf(QStringLiteral("audioSHA256"), readString);
    v.issue = o.optionalOf(QStringLiteral("issue"), readString);
    return v;
}

} // namespace

CaptureNote decodeNote(const JsonObjectNode& o) {
    CaptureNote n;
    n.schemaVersion = o.required(QStringLiteral("schemaVersion")).toInt64();
    n.id = o.required(QStringLiteral("id")).toId();
    n.title = o.required(QStringLiteral("title")).toString();
    n.createdAt = o.required(QStringLiteral("createdAt")).toDouble();
    n.modifiedAt = o.required(QStringLiteral("modifiedAt")).toDouble();
    const JsonNode revision = o.required(QStringLiteral("revision"));
    n.revision = revision.toInt64();
    if (n.revision < 0)
        revision.fail(QStringLiteral("expected a revision of 0 or more"));
    n.media = o.required(QStringLiteral("media")).toArrayOf(decodeMedia);
    n.marks = o.required(QStringLiteral("marks")).toArrayOf(decodeMark);
    n.general = o.required(QStringLiteral("general")).toString();
    n.includeGeneral = o.required(QStringLiteral("includeGeneral")).toBool();
    n.notes = o.required(QStringLiteral("notes")).toArrayOf(decodeLinkedNote);
    n.reviewOnly = o.required(QStringLiteral("reviewOnly")).toBool();
    n.recordings = o.optionalOf(QStringLiteral("recordings"), [](const JsonNode& a) {
        return a.toArrayOf(decodeVoiceRecording);
    });
    n.screenRecording = o.optionalOf(QStringLiteral("screenRecording"), decodeScreenRecording);
    return n;
}

CaptureNote decodeNoteJson(const QByteArray& bytes) {
    return decodeNote(parseJsonObject(bytes));
}

AnnotationClipboard decodeAnnotationClipboard(const QByteArray& bytes) {
    const JsonObjectNode o = parseJsonObject(bytes);
    return {decodeMark(o.required(QStringLiteral("mark"))),
            o.optionalOf(QStringLiteral("linkedNote"), decodeLinkedNote)};
}

} // namespace lumbex
