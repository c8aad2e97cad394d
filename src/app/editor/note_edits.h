#pragma once

#include "canvas/canvas_editor.h"
#include "records/capture_note.h"

#include <QString>
#include <optional>

// Edits the editor window makes to a note, as plain functions over the value, so that every
// control's effect is one testable mutation handed to NoteDocument::change. Functions throw
// LumbexError with the message the window shows; the note is then unchanged.
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

// Raises the format level to what the content needs and checks the whole note.
void prepareForStorage(CaptureNote& note);

// Geometry typed into the inspector: "Resize Annotation" or "Move Annotation" (returned).
QString setMarkBounds(CaptureNote& note, const Id& markID, const Rect& bounds);

// Style of the selected mark (or of the drawing defaults when none is selected).
enum class StyleProperty { Color, StrokeWidth, TextSize, HighlightOpacity, Magnification };
QString styleActionName(StyleProperty property);
// Applies a style value to a mark: colour as hex text, stroke width in pixels, text size in
// points (stored as lineWidth = size / 6), highlight opacity 0…1, magnification 2…8.
void applyStyle(Mark& mark, StyleProperty property, const QVariant& value);
// The window's defaults for new marks; a text mark takes its size from `textSize`.
struct EditorDefaults {
    DrawingDefaults drawing;
    double textSize = 18;
};
void applyStyle(EditorDefaults& defaults, StyleProperty property, const QVariant& value);

// The image's background, created with its defaults when the image has none.
ImageBackground& background(Media& media);

} // namespace lumbex::edits
