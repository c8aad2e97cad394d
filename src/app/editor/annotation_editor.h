#pragma once

#include "canvas/canvas_editor.h"

#include <functional>

namespace lumbex {

class CanvasZoom;
class EditorContext;
class ImageCommands;
class TextReading;
class VoiceController;

// The canvas's calls on its window. Finished gestures become named changes of the note (marks,
// text, crop, location notes), as do the Annotation menu's commands; zoom, reading, voice and
// dropped images go to the parts that own them.
class AnnotationEditor final : public CanvasEditor {
public:
    struct Parts {
        CanvasZoom& zoom;
        TextReading& reading;
        VoiceController& voice;
        ImageCommands& images;
        // The selection or the tool changed: the controls that show them follow.
        std::function<void()> selectionChanged;
        std::function<void()> measurementsChanged;
        std::function<void(const QPoint& globalPosition)> contextMenu;
    };
    AnnotationEditor(EditorContext& context, Parts parts);

    // "Duplicate", "Select Next Annotation" (step 1) and "Previous" (-1), "Paste" of a copied
    // annotation, "Restore Full Image".
    void duplicateAnnotation();
    void selectAdjacentAnnotation(int step);
    void pasteAnnotation();
    void restoreFullImage();

    DrawingDefaults drawingDefaults() const override;
    void addMark(const Mark& mark) override;
    void updateMark(const Mark& mark) override;
    void addTextMark(const Mark& mark, bool editing) override;
    void setCrop(const Rect& crop) override;
    void deleteAnnotation() override;
    void editSelectedNote() override;
    void addCenteredNote(Point at) override;
    void selectTool(CanvasTool tool) override;
    void setDisplayZoom(double zoom, Point anchor) override;
    void extractText(const Rect& region) override;
    void dictateLocation(const Mark& draft, const std::optional<Id>& existingID) override;
    void selectionDidChange() override;
    void updateMeasurements() override;
    void showContextMenu(const QPoint& globalPosition) override;
    bool dropImages(const QMimeData& data) override;

private:
    EditorContext& context_;
    Parts parts_;
};

} // namespace lumbex
