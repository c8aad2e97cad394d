#include "model/note_coding.h"

#include "core/json_write.h"
#include "model/recording_coding.h"

namespace lumbex {
namespace {

const auto kNumber = [](double v) { return QJsonValue(v); };
const auto kString = [](const QString& v) { return QJsonValue(v); };
const auto readNumber = [](const JsonNode& n) { return n.toDouble(); };
const auto readString = [](const JsonNode& n) { return n.toString(); };
const auto readBool = [](const JsonNode& n) { return n.toBool(); };
const auto readId = [](const JsonNode& n) { return n.toId(); };
const auto readPoint = [](const JsonNode& n) { return n.toPoint(); };
const auto readRect = [](const JsonNode& n) { return n.toRect(); };

template <class T, class Encode>
QJsonArray encodeArray(const std::vector<T>& items, Encode encode) {
    QJsonArray out;
    for (const T& item : items)
        out.append(encode(item));
    return out;
}

QJsonObject encodeBackground(const ImageBackground& b) {
    return {{QStringLiteral("style"), rawValue(b.style)},
            {QStringLiteral("color"), b.color},
            {QStringLiteral("secondaryColor"), b.secondaryColor},
            {QStringLiteral("padding"), b.padding},
            {QStringLiteral("cornerRadius"), b.cornerRadius},
            {QStringLiteral("shadow"), b.shadow}};
}

ImageBackground decodeBackground(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("style")).toEnum(backgroundStyleFromRaw),
            o.required(QStringLiteral("color")).toString(),
            o.required(QStringLiteral("secondaryColor")).toString(),
            o.required(QStringLiteral("padding")).toDouble(),
            o.required(QStringLiteral("cornerRadius")).toDouble(),
            o.required(QStringLiteral("shadow")).toBool()};
}

QJsonObject encodeRecognition(const RecognitionCache& r) {
    return {{QStringLiteral("imageKey"), r.imageKey}, {QStringLiteral("text"), r.text}};
}

RecognitionCache decodeRecognition(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("imageKey")).toString(),
            o.required(QStringLiteral("text")).toString()};
}

QJsonObject encodeFrame(const RecordingFrame& f) {
    return {{QStringLiteral("sourceTime"), f.sourceTime},
            {QStringLiteral("visualKey"), f.visualKey}};
}

RecordingFrame decodeFrame(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("sourceTime")).toInt64(),
            o.required(QStringLiteral("visualKey")).toString()};
}

QJsonObject encodePiece(const ScrollCaptureInfo::Piece& p) {
    QJsonObject o{{QStringLiteral("mediaID"), jsonId(p.mediaID)},
                  {QStringLiteral("footerHeight"), p.footerHeight}};
    insertOptional(o, QStringLiteral("offsetY"), p.offsetY, [](qint64 v) { return QJsonValue(v); });
    return o;
}

ScrollCaptureInfo::Piece decodePiece(const JsonNode& node) {
    const JsonObjectNode o = node.toObject();
    return {o.required(QStringLiteral("mediaID")).toId(),
            o.optionalOf(QStringLiteral("offsetY"), [](const JsonNode& n) { return n.toInt64(); }),
            o.required(QStringLiteral("footerHeight")).toInt64()};
}

QJsonObject encodeScrollCapture(const ScrollCaptureInfo& s) {
    QJsonObject o{{QStringLiteral("partial"), s.partial},
                  {QStringLiteral("pieces"), encodeArray(s.pieces, encodePiece)}};
    insertOptional(o, QStringLiteral("issue"), s.issue, kString);
    insertOptional(o, QStringLiteral("imported"), s.imported, [](bool v) { return QJsonValue(v); });
    return o;
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

QJsonObject encodeVoiceRecording(const VoiceRecording& v) {
    QJsonObject o{{QStringLiteral("id"), jsonId(v.id)},
                  {QStringLiteral("createdAt"), v.createdAt},
                  {QStringLiteral("locale"), v.locale},
                  {QStringLiteral("duration"), v.duration},
                  {QStringLiteral("transcript"), v.transcript}};
    insertOptional(o, QStringLiteral("noteID"), v.noteID, jsonId);
    insertOptional(o, QStringLiteral("audioSHA256"), v.audioSHA256, kString);
    insertOptional(o, QStringLiteral("issue"), v.issue, kString);
    return o;
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

QJsonObject encodeMedia(const Media& m) {
    QJsonObject o{{QStringLiteral("id"), jsonId(m.id)},
                  {QStringLiteral("name"), m.name},
                  {QStringLiteral("width"), m.width},
                  {QStringLiteral("height"), m.height},
                  {QStringLiteral("sha256"), m.sha256},
                  {QStringLiteral("role"), rawValue(m.role)},
                  {QStringLiteral("includeInRequest"), m.includeInRequest}};
    insertOptional(o, QStringLiteral("crop"), m.crop, jsonRect);
    insertOptional(o, QStringLiteral("background"), m.background, encodeBackground);
    insertOptional(o, QStringLiteral("recognition"), m.recognition, encodeRecognition);
    insertOptional(o, QStringLiteral("recordingFrame"), m.recordingFrame, encodeFrame);
    insertOptional(o, QStringLiteral("scrollCapture"), m.scrollCapture, encodeScrollCapture);
    return o;
}

QJsonObject encodeMark(const Mark& m) {
    QJsonObject o{
        {QStringLiteral("id"), jsonId(m.id)},       {QStringLiteral("mediaID"), jsonId(m.mediaID)},
        {QStringLiteral("kind"), rawValue(m.kind)}, {QStringLiteral("start"), jsonPoint(m.start)},
        {QStringLiteral("end"), jsonPoint(m.end)},  {QStringLiteral("text"), m.text},
        {QStringLiteral("color"), m.color},         {QStringLiteral("lineWidth"), m.lineWidth}};
    insertOptional(o, QStringLiteral("points"), m.points,
                   [](const std::vector<Point>& points) { return encodeArray(points, jsonPoint); });
    insertOptional(o, QStringLiteral("opacity"), m.opacity, kNumber);
    insertOptional(o, QStringLiteral("magnification"), m.magnification, kNumber);
    insertOptional(o, QStringLiteral("magnificationCenter"), m.magnificationCenter, jsonPoint);
    return o;
}

QJsonObject encodeLinkedNote(const LinkedNote& n) {
    QJsonObject o{{QStringLiteral("id"), jsonId(n.id)},
                  {QStringLiteral("body"), n.body},
                  {QStringLiteral("included"), n.included}};
    insertOptional(o, QStringLiteral("markID"), n.markID, jsonId);
    insertOptional(o, QStringLiteral("timeRange"), n.timeRange, encodeRecordingRange);
    return o;
}

QJsonObject encodeNote(const CaptureNote& n) {
    QJsonObject o{{QStringLiteral("schemaVersion"), n.schemaVersion},
                  {QStringLiteral("id"), jsonId(n.id)},
                  {QStringLiteral("title"), n.title},
                  {QStringLiteral("createdAt"), n.createdAt},
                  {QStringLiteral("modifiedAt"), n.modifiedAt},
                  {QStringLiteral("revision"), n.revision},
                  {QStringLiteral("media"), encodeArray(n.media, encodeMedia)},
                  {QStringLiteral("marks"), encodeArray(n.marks, encodeMark)},
                  {QStringLiteral("general"), n.general},
                  {QStringLiteral("includeGeneral"), n.includeGeneral},
                  {QStringLiteral("notes"), encodeArray(n.notes, encodeLinkedNote)},
                  {QStringLiteral("reviewOnly"), n.reviewOnly}};
    insertOptional(
        o, QStringLiteral("recordings"), n.recordings,
        [](const std::vector<VoiceRecording>& v) { return encodeArray(v, encodeVoiceRecording); });
    insertOptional(o, QStringLiteral("screenRecording"), n.screenRecording, encodeScreenRecording);
    return o;
}

CaptureNote decodeNote(const JsonObjectNode& o) {
    CaptureNote n;
    n.schemaVersion = o.required(QStringLiteral("schemaVersion")).toInt64();
    n.id = o.required(QStringLiteral("id")).toId();
    n.title = o.required(QStringLiteral("title")).toString();
    n.createdAt = o.required(QStringLiteral("createdAt")).toDouble();
    n.modifiedAt = o.required(QStringLiteral("modifiedAt")).toDouble();
    n.revision = o.required(QStringLiteral("revision")).toInt64();
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

QByteArray encodeNoteJson(const CaptureNote& note) {
    return encodePretty(encodeNote(note));
}

CaptureNote decodeNoteJson(const QByteArray& bytes) {
    return decodeNote(parseJsonObject(bytes));
}

QByteArray encodeAnnotationClipboard(const AnnotationClipboard& clipboard) {
    QJsonObject o{{QStringLiteral("mark"), encodeMark(clipboard.mark)}};
    insertOptional(o, QStringLiteral("linkedNote"), clipboard.linkedNote, encodeLinkedNote);
    return encodeCompact(o);
}

AnnotationClipboard decodeAnnotationClipboard(const QByteArray& bytes) {
    const JsonObjectNode o = parseJsonObject(bytes);
    return {decodeMark(o.required(QStringLiteral("mark"))),
            o.optionalOf(QStringLiteral("linkedNote"), decodeLinkedNote)};
}

} // namespace lumbex
