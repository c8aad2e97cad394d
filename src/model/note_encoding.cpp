#include "model/note_coding.h"
#include "model/recording_coding.h"

namespace lumbex {
namespace {

// Members are written in ascending key order; the writer refuses any other order.

void writeBackground(JsonWriter& out, const ImageBackground& b) {
    out.beginObject();
    out.key("color");
    out.value(b.color);
    out.key("cornerRadius");
    out.value(b.cornerRadius);
    out.key("padding");
    out.value(b.padding);
    out.key("secondaryColor");
    out.value(b.secondaryColor);
    out.key("shadow");
    out.value(b.shadow);
    out.key("style");
    out.value(rawValue(b.style));
    out.endObject();
}

void writeRecognition(JsonWriter& out, const RecognitionCache& r) {
    out.beginObject();
    out.key("imageKey");
    out.value(r.imageKey);
    out.key("text");
    out.value(r.text);
    out.endObject();
}

void writeFrame(JsonWriter& out, const RecordingFrame& f) {
    out.beginObject();
    out.key("sourceTime");
    out.value(f.sourceTime);
    out.key("visualKey");
    out.value(f.visualKey);
    out.endObject();
}

void writePiece(JsonWriter& out, const ScrollCaptureInfo::Piece& p) {
    out.beginObject();
    out.key("footerHeight");
    out.value(p.footerHeight);
    out.key("mediaID");
    out.value(p.mediaID);
    out.optional("offsetY", p.offsetY);
    out.endObject();
}

void writeScrollCapture(JsonWriter& out, const ScrollCaptureInfo& s) {
    out.beginObject();
    out.optional("imported", s.imported);
    out.optional("issue", s.issue);
    out.key("partial");
    out.value(s.partial);
    out.key("pieces");
    out.array(s.pieces, [&](const ScrollCaptureInfo::Piece& p) { writePiece(out, p); });
    out.endObject();
}

void writeVoiceRecording(JsonWriter& out, const VoiceRecording& v) {
    out.beginObject();
    out.optional("audioSHA256", v.audioSHA256);
    out.key("createdAt");
    out.value(v.createdAt);
    out.key("duration");
    out.value(v.duration);
    out.key("id");
    out.value(v.id);
    out.optional("issue", v.issue);
    out.key("locale");
    out.value(v.locale);
    out.optional("noteID", v.noteID);
    out.key("transcript");
    out.value(v.transcript);
    out.endObject();
}

} // namespace

void writeMedia(JsonWriter& out, const Media& m) {
    out.beginObject();
    out.optional("background", m.background,
                 [&](const ImageBackground& b) { writeBackground(out, b); });
    out.optional("crop", m.crop);
    out.key("height");
    out.value(m.height);
    out.key("id");
    out.value(m.id);
    out.key("includeInRequest");
    out.value(m.includeInRequest);
    out.key("name");
    out.value(m.name);
    out.optional("recognition", m.recognition,
                 [&](const RecognitionCache& r) { writeRecognition(out, r); });
    out.optional("recordingFrame", m.recordingFrame,
                 [&](const RecordingFrame& f) { writeFrame(out, f); });
    out.key("role");
    out.value(rawValue(m.role));
    out.optional("scrollCapture", m.scrollCapture,
                 [&](const ScrollCaptureInfo& s) { writeScrollCapture(out, s); });
    out.key("sha256");
    out.value(m.sha256);
    out.key("width");
    out.value(m.width);
    out.endObject();
}

void writeMark(JsonWriter& out, const Mark& m) {
    out.beginObject();
    out.key("color");
    out.value(m.color);
    out.key("end");
    out.value(m.end);
    out.key("id");
    out.value(m.id);
    out.key("kind");
    out.value(rawValue(m.kind));
    out.key("lineWidth");
    out.value(m.lineWidth);
    out.optional("magnification", m.magnification);
    out.optional("magnificationCenter", m.magnificationCenter);
    out.key("mediaID");
    out.value(m.mediaID);
    out.optional("opacity", m.opacity);
    out.optional("points", m.points, [&](const std::vector<Point>& points) {
        out.array(points, [&](Point p) { out.value(p); });
    });
    out.key("start");
    out.value(m.start);
    out.key("text");
    out.value(m.text);
    out.endObject();
}

void writeLinkedNote(JsonWriter& out, const LinkedNote& n) {
    out.beginObject();
    out.key("body");
    out.value(n.body);
    out.key("id");
    out.value(n.id);
    out.key("included");
    out.value(n.included);
    out.optional("markID", n.markID);
    out.optional("timeRange", n.timeRange,
                 [&](const RecordingRange& r) { writeRecordingRange(out, r); });
    out.endObject();
}

void writeNote(JsonWriter& out, const CaptureNote& n) {
    out.beginObject();
    out.key("createdAt");
    out.value(n.createdAt);
    out.key("general");
    out.value(n.general);
    out.key("id");
    out.value(n.id);
    out.key("includeGeneral");
    out.value(n.includeGeneral);
    out.key("marks");
    out.array(n.marks, [&](const Mark& m) { writeMark(out, m); });
    out.key("media");
    out.array(n.media, [&](const Media& m) { writeMedia(out, m); });
    out.key("modifiedAt");
    out.value(n.modifiedAt);
    out.key("notes");
    out.array(n.notes, [&](const LinkedNote& x) { writeLinkedNote(out, x); });
    out.optional("recordings", n.recordings, [&](const std::vector<VoiceRecording>& recordings) {
        out.array(recordings, [&](const VoiceRecording& v) { writeVoiceRecording(out, v); });
    });
    out.key("reviewOnly");
    out.value(n.reviewOnly);
    out.key("revision");
    out.value(n.revision);
    out.key("schemaVersion");
    out.value(n.schemaVersion);
    out.optional("screenRecording", n.screenRecording,
                 [&](const ScreenRecording& r) { writeScreenRecording(out, r); });
    out.key("title");
    out.value(n.title);
    out.endObject();
}

QByteArray encodeNoteJson(const CaptureNote& note) {
    JsonWriter out(JsonWriter::Style::Pretty);
    writeNote(out, note);
    return out.take();
}

QByteArray encodeAnnotationClipboard(const AnnotationClipboard& clipboard) {
    JsonWriter out(JsonWriter::Style::Compact);
    out.beginObject();
    out.optional("linkedNote", clipboard.linkedNote,
                 [&](const LinkedNote& n) { writeLinkedNote(out, n); });
    out.key("mark");
    writeMark(out, clipboard.mark);
    out.endObject();
    return out.take();
}

} // namespace lumbex
