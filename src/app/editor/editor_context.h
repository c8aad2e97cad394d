#pragma once

#include "app/editor/style_edits.h"
#include "records/capture_note.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace lumbex {

class CanvasView;
class NoteDocument;

// What the parts of one editor window share: the note document, the image on the canvas, the
// drawing defaults, the status line's message, and the one path by which a control changes the
// note. The window fills in the hooks; the parts call them.
class EditorContext {
public:
    EditorContext(NoteDocument& document, QWidget& window);

    NoteDocument& document() const { return document_; }
    const CaptureNote& note() const;
    // The window: the parent of dialogs and messages.
    QWidget& window() const { return window_; }
    CanvasView& canvas() const { return *canvas_; }
    void setCanvas(CanvasView& canvas) { canvas_ = &canvas; }

    const Id& activeMediaID() const { return activeMediaID_; }
    void setActiveMediaID(const Id& mediaID) { activeMediaID_ = mediaID; }
    const Media* activeMedia() const;
    const Mark* selectedMark() const;
    edits::EditorDefaults& defaults() { return defaults_; }

    // Runs one named edit; a refusal shows its message and leaves the note as it was.
    bool change(const QString& actionName, const std::function<void(CaptureNote&)>& body);
    // Puts the cursor into the location note of a mark, adding an empty note when it has none.
    void editNoteOf(const Id& markID);

    // Request feedback or a refusal, with the note it was shown for when the message belongs to
    // that content.
    const QString& statusMessage() const { return statusMessage_; }
    void setStatus(const QString& message, const std::optional<CaptureNote>& content = {});
    // Drops the message once the note's request content differs from what it was shown for.
    void dropStaleStatus();
    // A failure the person must acknowledge: the status line and a message on the window.
    void showError(const QString& message);

    std::function<void()> statusChanged;
    // Makes an image of the note the active one.
    std::function<void(const Id& mediaID)> showImage;
    // Puts the cursor into a note row (none: the general note).
    std::function<void(const std::optional<Id>& noteID)> focusNote;

private:
    NoteDocument& document_;
    QWidget& window_;
    CanvasView* canvas_ = nullptr;
    Id activeMediaID_;
    edits::EditorDefaults defaults_;
    QString statusMessage_;
    std::optional<CaptureNote> statusContent_;
};

} // namespace lumbex
