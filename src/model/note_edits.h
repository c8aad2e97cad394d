#pragma once

#include "records/capture_note.h"

#include <QString>
#include <functional>
#include <optional>

// Edits of a note's marks and linked notes, as plain functions over the value, shared by the
// editor window and the command line so that both make the same note from the same gesture. Each
// is one mutation handed to NoteDocument::change. Functions throw LumbexError with the message
// the user is shown; the note is then unchanged.
namespace lumbex::edits {

// "Add Arrow", "Add Pointer": "Add " and the kind's raw value capitalised.
QString addMarkActionName(MarkKind kind);

// Appends a finished mark; a location pin gets its own empty note, linked and included.
void addMark(CaptureNote& note, const Mark& mark);
// Replaces the mark with the same id.
void replaceMark(CaptureNote& note, const Mark& mark);
// Removes a mark; its note stays, unlinked.
void deleteMark(CaptureNote& note, const Id& markID);

// Links `noteID` to `markID`. Refused unless the mark exists and has no note yet.
void reconnectNote(CaptureNote& note, const Id& noteID, const std::optional<Id>& markID);
// Appends the note's text to the general note (a blank line between), removes the note and hands
// its voice recordings to the general note.
void moveToGeneralNote(CaptureNote& note, const Id& noteID);
void removeNote(CaptureNote& note, const Id& noteID);
// The location note of a mark, creating an empty one when it has none. Returns its id.
Id ensureNoteForMark(CaptureNote& note, const Id& markID);

// Edits the note's screen recording with `body`; the edited recording must pass its checks.
// Refused with "This note has no screen recording." or the failing check's message.
void changeRecording(CaptureNote& note, const std::function<void(ScreenRecording&)>& body);
// Appends an included time note on `range` of the recording's source time. Refused with "This
// note has no screen recording." or "A time note has an invalid recording range.". Returns its id.
Id addTimeNote(CaptureNote& note, const RecordingRange& range, const QString& text);

// Raises the format level to what the content needs and checks the whole note.
void prepareForStorage(CaptureNote& note);

// Geometry typed into the inspector: "Resize Annotation" or "Move Annotation" (returned).
QString setMarkBounds(CaptureNote& note, const Id& markID, const Rect& bounds);

} // namespace lumbex::edits
