#pragma once

#include "canvas/canvas_editor.h"
#include "canvas/canvas_tool.h"

#include <optional>

namespace lumbex {

// Pure rules of the canvas's pointer gestures, in source pixels. The view feeds them the press
// and drag points and acts on their answers.

// A new mark for a press at `at` with `tool` (crop drafts a rectangle): a fresh id, the editor's
// colour and width, a freehand's first point, a highlight's opacity, a lens's magnification.
Mark newDraft(CanvasTool tool, const Id& mediaID, Point at, const DrawingDefaults& defaults);

// Shift held while dragging a mark of `kind` from `start` to `point`: boxes become squares in the
// drag's direction, arrows and lines snap to the nearest 45° (shortened to stay inside `crop`
// when they start inside it). Other kinds are not constrained.
Point shiftConstrained(MarkKind kind, Point start, Point point, const std::optional<Rect>& crop);

// Shift held while measuring: only the larger of the two movements counts.
Point measureConstrained(Point start, Point point);

// What releasing the mouse does with a newly drawn draft.
struct CreationOutcome {
    enum class Action { Discard, AddMark, AddText, SetCrop };
    Action action = Action::Discard;
    Mark mark;
    Rect crop;
};
CreationOutcome finishCreation(CanvasTool tool, Mark draft);

// A freehand stroke's start and end become the corners of its points' bounding box.
void settleFreehand(Mark& mark);

// Whether a voice-location drag marks out a new place (else the click picks a mark).
bool definesVoiceLocation(const Mark& draft, double zoom);

// The region of a text-recognition drag, when it is large enough to read.
std::optional<Rect> textRecognitionRegion(const Mark& draft);

} // namespace lumbex
