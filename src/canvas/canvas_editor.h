#pragma once

#include "canvas/canvas_tool.h"
#include "core/rect.h"
#include "records/mark.h"

#include <QPoint>
#include <optional>

class QMimeData;

namespace lumbex {

// Style given to a new mark: the editor's current drawing defaults.
struct DrawingDefaults {
    QString color = QStringLiteral("blue");
    double lineWidth = 3;
    double highlightOpacity = 0.35;
    double magnification = 2;
};

// What the canvas asks of the window that owns the note. The canvas keeps only gesture state;
// every committed edit goes through here and comes back as new content (CanvasView::setContent).
// All calls happen on the GUI thread, synchronously, from inside an input event.
class CanvasEditor {
public:
    virtual ~CanvasEditor() = default;

    virtual DrawingDefaults drawingDefaults() const = 0;
    // "Add <Kind>": a finished new mark.
    virtual void addMark(const Mark& mark) = 0;
    // "Move Annotation": a moved, resized or nudged mark (same id).
    virtual void updateMark(const Mark& mark) = 0;
    // Asks for the text of a new text mark, or edits an existing one (a double click).
    virtual void addTextMark(const Mark& mark, bool editing) = 0;
    // "Crop Image" with a whole-pixel rectangle.
    virtual void setCrop(const Rect& crop) = 0;
    // "Delete Annotation" of the selected mark.
    virtual void deleteAnnotation() = 0;
    // Return on a selected mark: edit (or create) its location note.
    virtual void editSelectedNote() = 0;
    // The N key: a location note at this source point (the centre of the visible area).
    virtual void addCenteredNote(Point at) = 0;
    // The canvas switched tools (a shortcut letter, Escape): the toolbar follows.
    virtual void selectTool(CanvasTool tool) = 0;
    // A pinch or wheel zoom: the new display zoom (screen pixels per source pixel), clamped by the
    // editor, which then calls CanvasView::setZoom keeping `anchor` (a source point) in place.
    virtual void setDisplayZoom(double zoom, Point anchor) = 0;
    // The end of a text-recognition drag over `region` (source pixels, at least 2 × 2).
    virtual void extractText(const Rect& region) = 0;
    // The end of a voice-location choice: a new location (the draft) or an existing mark.
    virtual void dictateLocation(const Mark& draft, const std::optional<Id>& existingID) = 0;
    // The selected mark changed (by a click, Escape, navigation or new content).
    virtual void selectionDidChange() = 0;
    // The measurement, sampled colour or loupe changed.
    virtual void updateMeasurements() = 0;
    // A right click (after the canvas selected the mark under it): show the context menu.
    virtual void showContextMenu(const QPoint& globalPosition) = 0;
    // Images or image files dropped on the canvas; true when they were taken.
    virtual bool dropImages(const QMimeData& data) = 0;
};

} // namespace lumbex
