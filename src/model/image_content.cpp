#include "model/image_content.h"

#include "core/error.h"
#include "core/sha256.h"
#include "model/note_coding.h"
#include "model/recording_keys.h"

namespace lumbex {

QString imageKey(const CaptureNote& note, const Media& media) {
    Media stored = media;
    stored.background.reset();
    stored.recognition.reset();
    stored.role = MediaRole::Current;
    stored.includeInRequest = false;

    JsonWriter out(JsonWriter::Style::Compact);
    out.beginObject();
    out.key("masks");
    out.beginArray();
    for (const Mark& mark : note.marks)
        if (mark.kind == MarkKind::Redact && mark.mediaID == media.id)
            writeMark(out, mark);
    out.endArray();
    out.key("media");
    writeMedia(out, stored);
    out.key("recognitionVersion");
    out.value(kRecognitionVersion);
    if (media.recordingFrame && note.screenRecording) {
        out.key("recordingKey");
        out.value(editKey(*note.screenRecording));
    }
    out.endObject();
    return sha256Hex(out.take());
}

bool isFrameCurrent(const CaptureNote& note, const Media& media) {
    if (!media.recordingFrame)
        return true;
    const auto& recording = note.screenRecording;
    return recording && media.recordingFrame->visualKey == visualKey(*recording) &&
           recording->outputTime(media.recordingFrame->sourceTime).has_value();
}

void validateFrame(const CaptureNote& note, const Media& media) {
    if (!isFrameCurrent(note, media))
        throw LumbexError(QStringLiteral("This frame predates the recording edits or is outside "
                                         "the trim. Use Image actions to add an updated "
                                         "frame, then remove or exclude the old frame. Review any "
                                         "unlinked notes before sharing."));
}

bool hasSameImageContent(const CaptureNote& a, const CaptureNote& b, const Id& mediaID) {
    if (a.id != b.id)
        return false;
    const Media* left = a.image(mediaID);
    const Media* right = b.image(mediaID);
    if (!left || !right)
        return false;
    const auto comparable = [](Media m) {
        m.role = MediaRole::Current;
        m.includeInRequest = false;
        m.recognition.reset();
        return m;
    };
    if (comparable(*left) != comparable(*right))
        return false;
    const std::vector<Mark> leftMarks = a.marksOn(mediaID);
    const std::vector<Mark> rightMarks = b.marksOn(mediaID);
    return leftMarks == rightMarks && a.numbers(leftMarks) == b.numbers(rightMarks) &&
           isFrameCurrent(a, *left) == isFrameCurrent(b, *right);
}

} // namespace lumbex
