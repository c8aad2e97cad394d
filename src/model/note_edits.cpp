#include "model/note_edits.h"

#include "core/error.h"
#include "model/note_validation.h"
#include "model/schema_level.h"

#include <algorithm>

namespace lumbex::edits {
namespace {

Mark& markFor(CaptureNote& note, const Id& markID) {
    for (Mark& mark : note.marks)
        if (mark.id == markID)
            return mark;
    throw LumbexError(QStringLiteral("The annotation no longer exists."));
}

std::vector<LinkedNote>::iterator noteFor(CaptureNote& note, const Id& noteID) {
    const auto it = std::find_if(note.notes.begin(), note.notes.end(),
                                 [&](const LinkedNote& n) { return n.id == noteID; });
    if (it == note.notes.end())
        throw LumbexError(QStringLiteral("The note no longer exists."));
    return it;
}

} // namespace

QString addMarkActionName(MarkKind kind) {
    QString raw = rawValue(kind);
    raw[0] = raw[0].toUpper();
    return QStringLiteral("Add ") + raw;
}

void addMark(CaptureNote& note, const Mark& mark) {
    note.marks.push_back(mark);
    if (mark.kind == MarkKind::Pointer)
        ensureNoteForMark(note, mark.id);
}

void replaceMark(CaptureNote& note, const Mark& mark) {
    markFor(note, mark.id) = mark;
}

void deleteMark(CaptureNote& note, const Id& markID) {
    markFor(note, markID);
    std::erase_if(note.marks, [&](const Mark& m) { return m.id == markID; });
    for (LinkedNote& linked : note.notes)
        if (linked.markID == markID)
            linked.markID.reset();
}

void reconnectNote(CaptureNote& note, const Id& noteID, const std::optional<Id>& markID) {
    const QString refusal = QStringLiteral("Select an annotation without a linked note first.");
    if (!markID || !note.mark(*markID) || note.number(*markID))
        throw LumbexError(refusal);
    noteFor(note, noteID)->markID = markID;
}

void moveToGeneralNote(CaptureNote& note, const Id& noteID) {
    const auto it = noteFor(note, noteID);
    if (!note.general.isEmpty())
        note.general += QStringLiteral("\n\n");
    note.general += it->body;
    note.notes.erase(it);
    if (note.recordings)
        for (VoiceRecording& recording : *note.recordings)
            if (recording.noteID == noteID)
                recording.noteID.reset();
}

void removeNote(CaptureNote& note, const Id& noteID) {
    note.notes.erase(noteFor(note, noteID));
}

Id ensureNoteForMark(CaptureNote& note, const Id& markID) {
    for (const LinkedNote& linked : note.notes)
        if (linked.markID == markID)
            return linked.id;
    LinkedNote linked = LinkedNote::make();
    linked.markID = markID;
    note.notes.push_back(linked);
    return linked.id;
}

void changeRecording(CaptureNote& note, const std::function<void(ScreenRecording&)>& body) {
    if (!note.screenRecording)
        throw LumbexError(QStringLiteral("This note has no screen recording."));
    ScreenRecording edited = *note.screenRecording;
    body(edited);
    edited.validate();
    note.screenRecording = std::move(edited);
}

Id addTimeNote(CaptureNote& note, const RecordingRange& range, const QString& text) {
    if (!note.screenRecording)
        throw LumbexError(QStringLiteral("This note has no screen recording."));
    if (range.start < 0 || range.end > note.screenRecording->duration() || range.duration() <= 0)
        throw LumbexError(QStringLiteral("A time note has an invalid recording range."));
    LinkedNote linked = LinkedNote::make();
    linked.body = text;
    linked.timeRange = range;
    note.notes.push_back(linked);
    return linked.id;
}

void prepareForStorage(CaptureNote& note) {
    note.schemaVersion = std::max(note.schemaVersion, minimumSchemaVersion(note));
    validate(note);
}

QString setMarkBounds(CaptureNote& note, const Id& markID, const Rect& bounds) {
    Mark& mark = markFor(note, markID);
    const Rect before = mark.rect();
    mark.setBounds(bounds);
    prepareForStorage(note);
    const bool resized = before.width != bounds.width || before.height != bounds.height;
    return resized ? QStringLiteral("Resize Annotation") : QStringLiteral("Move Annotation");
}

} // namespace lumbex::edits
