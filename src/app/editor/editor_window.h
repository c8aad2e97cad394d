#pragma once

#include "app/editor/editor_context.h"
#include "app/editor/editor_view_state.h"
#include "recognition/image_recognition.h"

#include <QImage>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QSettings;

namespace lumbex {

class AnnotationEditor;
class CanvasView;
class CanvasZoom;
class ClipboardWatch;
class CommandRegistry;
class EditorCommands;
class ImageBar;
class ImageCommands;
class SidePanelBinding;
class NoteDocument;
class NoteRow;
class OutputCommands;
class CloseAfterSave;
class RequestFlow;
class SidePanel;
class TextReading;
class VoiceController;

// The window of one open note: the canvas of the active image, the image bar, the inspector with
// the note rows, the request buttons and the status line. It owns the document and puts its
// parts together; every control becomes one named change through NoteDocument::change and the
// controls are rebuilt from the note after each change.
class EditorWindow : public QMainWindow {
    Q_OBJECT
public:
    EditorWindow(std::unique_ptr<NoteDocument> document, QSettings& settings,
                 ClipboardWatch& clipboard, QWidget* parent = nullptr);
    ~EditorWindow() override;

    NoteDocument& document() { return *document_; }
    CanvasView& canvas() { return *canvas_; }
    CanvasZoom& zoom() { return *zoom_; }
    TextReading& reading() { return *reading_; }
    // Closing waits for the note's save; a failed save keeps the window open.
    CloseAfterSave& closeAfterSave() { return *closeAfterSave_; }
    CommandRegistry& commands();
    NoteRow* rowFor(const std::optional<Id>& noteID) const;
    void setActiveMedia(const Id& mediaID);

    EditorViewState viewState() const;
    void restoreViewState(const EditorViewState& state);

    // "Capture into This Note…": the application starts an area capture for this window.
    std::function<void(EditorWindow*)> onCaptureIntoNote;
    // "Move Note to Recently Deleted…": the application's deletion flow for this window.
    std::function<void(EditorWindow*)> onDeleteNote;
    // "Pin Image": the application floats the rendered PNG of the active image above its windows.
    std::function<void(EditorWindow*, const QByteArray& png, const Id& mediaID)> onPinImage;
    // "Open Recording" and "Show in Recording": the application's recording window of this note,
    // at a source time when one is given.
    std::function<void(EditorWindow*, std::optional<qint64> sourceTime)> onOpenRecording;
    // "Sync & Mobile Review…": the application's sync window of this note.
    std::function<void(EditorWindow*)> onOpenSyncSettings;
    // "Set Voice Shortcut…" in the voice options of the note rows.
    void setVoiceShortcutEditor(std::function<void()> edit);
    // Adds a captured PNG to the note as it is ("Add Image"), and shows it.
    void appendCapture(const QByteArray& png, const QString& name);
    // The text and QR readers; without them the reading commands stay disabled.
    void setRecognitionEngines(RecognitionEngines engines);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createParts(QSettings& settings, ClipboardWatch& clipboard);
    void layOut();
    void refresh();
    void refreshCanvas();
    // After the selection or the tool changed.
    void refreshSelection();
    void refreshStatus();
    void focusRow(const std::optional<Id>& noteID);

    std::unique_ptr<NoteDocument> document_;
    QSettings& settings_;
    EditorContext context_;
    std::optional<EditorViewState> pendingViewState_;
    // The decoded original on the canvas, kept while the image's bytes stay the same.
    QImage canvasImage_;

    SidePanel* inspector_ = nullptr;
    QWidget* sidePanel_ = nullptr;
    RequestFlow* requestFlow_ = nullptr;
    CanvasView* canvas_ = nullptr;
    QLabel* statusLine_ = nullptr;
    std::unique_ptr<CanvasZoom> zoom_;
    std::unique_ptr<OutputCommands> output_;
    std::unique_ptr<ImageCommands> images_;
    std::unique_ptr<TextReading> reading_;
    std::unique_ptr<VoiceController> voice_;
    std::unique_ptr<SidePanelBinding> sidePanelBinding_;
    std::unique_ptr<AnnotationEditor> annotations_;
    std::unique_ptr<EditorCommands> commands_;
    std::unique_ptr<ImageBar> imageBar_;
    std::unique_ptr<CloseAfterSave> closeAfterSave_;
};

} // namespace lumbex
