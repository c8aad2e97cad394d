#include "app/editor/annotation_editor.h"

#include "app/editor/canvas_zoom.h"
#include "app/editor/editor_context.h"
#include "app/editor/image_commands.h"
#include "app/editor/text_annotation_dialog.h"
#include "app/editor/text_reading.h"
#include "app/editor/voice_controller.h"
#include "canvas/canvas_view.h"
#include "core/error.h"
#include "model/note_coding.h"
#include "model/note_edits.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace lumbex {

AnnotationEditor::AnnotationEditor(EditorContext& context, Parts parts)
    : context_(context), parts_(std::move(parts)) {}

DrawingDefaults AnnotationEditor::drawingDefaults() const {
    return context_.defaults().drawing;
}

void AnnotationEditor::addMark(const Mark& mark) {
    if (context_.change(edits::addMarkActionName(mark.kind),
                        [&](CaptureNote& note) { edits::addMark(note, mark); }) &&
        mark.kind == MarkKind::Pointer) {
        context_.canvas().selectAnnotation(mark.id);
        context_.editNoteOf(mark.id);
    }
}

void AnnotationEditor::updateMark(const Mark& mark) {
    context_.change(QStringLiteral("Move Annotation"),
                    [&](CaptureNote& note) { edits::replaceMark(note, mark); });
}

void AnnotationEditor::addTextMark(const Mark& mark, bool editing) {
    const std::optional<QString> text = askAnnotationText(&context_.window(), mark.text, editing);
    if (!text)
        return;
    Mark edited = mark;
    edited.text = *text;
    if (editing) {
        context_.change(QStringLiteral("Edit Text"),
                        [&](CaptureNote& note) { edits::replaceMark(note, edited); });
        return;
    }
    edited.lineWidth = context_.defaults().textSize / 6;
    context_.change(edits::addMarkActionName(MarkKind::Text),
                    [&](CaptureNote& note) { edits::addMark(note, edited); });
}

void AnnotationEditor::setCrop(const Rect& crop) {
    const Id media = context_.activeMediaID();
    context_.change(QStringLiteral("Crop Image"), [&](CaptureNote& note) {
        for (Media& m : note.media)
            if (m.id == media)
                m.crop = crop.intersected(m.extent());
        edits::prepareForStorage(note);
    });
}

void AnnotationEditor::restoreFullImage() {
    const Id media = context_.activeMediaID();
    context_.change(QStringLiteral("Restore Full Image"), [&](CaptureNote& note) {
        for (Media& m : note.media)
            if (m.id == media)
                m.crop.reset();
    });
}

void AnnotationEditor::deleteAnnotation() {
    const std::optional<Id> id = context_.canvas().selectedID();
    if (!id || !context_.note().mark(*id))
        return;
    if (context_.change(QStringLiteral("Delete Annotation"),
                        [&](CaptureNote& note) { edits::deleteMark(note, *id); }))
        context_.canvas().selectAnnotation(std::nullopt);
}

void AnnotationEditor::editSelectedNote() {
    if (const Mark* mark = context_.selectedMark())
        context_.editNoteOf(mark->id);
}

void AnnotationEditor::addCenteredNote(Point at) {
    if (!context_.activeMedia())
        return;
    const DrawingDefaults& drawing = context_.defaults().drawing;
    Mark pin;
    pin.id = newId();
    pin.mediaID = context_.activeMediaID();
    pin.kind = MarkKind::Pointer;
    pin.start = pin.end = at;
    pin.color = drawing.color;
    pin.lineWidth = drawing.lineWidth;
    addMark(pin);
}

void AnnotationEditor::duplicateAnnotation() {
    const Mark* mark = context_.selectedMark();
    if (!mark)
        return;
    AnnotationClipboard copied{*mark, std::nullopt};
    for (const LinkedNote& linked : context_.note().notes)
        if (linked.markID == mark->id)
            copied.linkedNote = linked;
    Id duplicate;
    const Id media = context_.activeMediaID();
    if (context_.change(QStringLiteral("Duplicate Annotation"), [&](CaptureNote& note) {
            duplicate = copied.insert(note, media);
            edits::prepareForStorage(note);
        }))
        context_.canvas().selectAnnotation(duplicate);
}

void AnnotationEditor::pasteAnnotation() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(kAnnotationClipboardType))
        return parts_.images.pasteImage();
    AnnotationClipboard copied;
    try {
        copied = decodeAnnotationClipboard(data->data(kAnnotationClipboardType));
    } catch (const LumbexError&) {
        return context_.setStatus(QStringLiteral("The copied annotation could not be read."));
    }
    Id pasted;
    const Id media = context_.activeMediaID();
    if (context_.change(QStringLiteral("Paste Annotation"), [&](CaptureNote& note) {
            pasted = copied.insert(note, media);
            edits::prepareForStorage(note);
        }))
        context_.canvas().selectAnnotation(pasted);
}

void AnnotationEditor::selectAdjacentAnnotation(int step) {
    CanvasView& canvas = context_.canvas();
    const std::vector<Mark>& marks = canvas.marks();
    if (marks.empty())
        return;
    int index = step > 0 ? -1 : int(marks.size());
    if (const std::optional<Id> selected = canvas.selectedID())
        for (size_t i = 0; i < marks.size(); ++i)
            if (marks[i].id == *selected)
                index = int(i);
    const int count = int(marks.size());
    const int next = ((index + step) % count + count) % count;
    canvas.selectAnnotation(marks[next].id, false);
}

void AnnotationEditor::selectTool(CanvasTool tool) {
    if (context_.canvas().tool() != tool)
        context_.canvas().setTool(tool);
    parts_.selectionChanged();
}

void AnnotationEditor::setDisplayZoom(double zoom, Point anchor) {
    parts_.zoom.set(zoom, anchor);
}

void AnnotationEditor::extractText(const Rect& region) {
    parts_.reading.read(false, region);
}

void AnnotationEditor::dictateLocation(const Mark& draft, const std::optional<Id>& existingID) {
    parts_.voice.dictateAt(draft, existingID);
}

void AnnotationEditor::selectionDidChange() {
    parts_.selectionChanged();
}

void AnnotationEditor::updateMeasurements() {
    parts_.measurementsChanged();
}

void AnnotationEditor::showContextMenu(const QPoint& globalPosition) {
    parts_.contextMenu(globalPosition);
}

bool AnnotationEditor::dropImages(const QMimeData& data) {
    return parts_.images.dropImages(data);
}

} // namespace lumbex
