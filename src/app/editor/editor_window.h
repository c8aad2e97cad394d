#pragma once

#include "app/editor/editor_view_state.h"
#include "app/editor/note_row.h"
#include "app/editor/recognition_window.h"
#include "app/editor/style_edits.h"
#include "canvas/canvas_editor.h"
#include "model/note_edits.h"
#include "recognition/image_recognition.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QSettings;
class QToolButton;

namespace lumbex {

class CanvasView;
class ClipboardWatch;
class CloseAfterSave;
class ImageOutput;
class SidePanel;
class NoteDocument;
class RequestFlow;

// The window of one open note: the canvas of the active image, the image bar, the inspector with
// the note rows, the request buttons and the status line. It owns the document; every control
// becomes one named change through NoteDocument::change and the controls are rebuilt from the
// note after each change.
class EditorWindow : public QMainWindow, public CanvasEditor {
    Q_OBJECT
public:
    EditorWindow(std::unique_ptr<NoteDocument> document, QSettings& settings,
                 ClipboardWatch& clipboard, QWidget* parent = nullptr);
    ~EditorWindow() override;

    NoteDocument& document() { return *document_; }
    CanvasView& canvas() { return *canvas_; }
    SidePanel& inspector() { return *inspector_; }
    RequestFlow& requestFlow() { return *requestFlow_; }
    // Closing waits for the note's save; a failed save keeps the window open.
    CloseAfterSave& closeAfterSave() { return *closeAfterSave_; }
    const Id& activeMediaID() const { return activeMediaID_; }
    void setActiveMedia(const Id& mediaID);
    // The last status line message (request feedback or a refusal).
    const QString& statusMessage() const { return statusMessage_; }
    NoteRow* rowFor(const std::optional<Id>& noteID) const;
    // The display zoom: screen pixels per source pixel; none while fitting.
    std::optional<double> displayZoom() const;
    void setDisplayZoom(std::optional<double> zoom);

    EditorViewState viewState() const;
    void restoreViewState(const EditorViewState& state);

    // "Capture into This Note…": the application starts an area capture for this window.
    std::function<void(EditorWindow*)> onCaptureIntoNote;
    // "Pin Image": the application floats the rendered PNG of the active image above its windows.
    std::function<void(EditorWindow*, const QByteArray& png, const Id& mediaID)> onPinImage;
    void pinImage();
    // Adds a captured PNG to the note as it is ("Add Image"), and shows it.
    void appendCapture(const QByteArray& png, const QString& name);

    // The text and QR readers; without them the reading commands stay disabled.
    void setRecognitionEngines(RecognitionEngines engines);
    // "Extract Text", "Extract Selected Text" (with a selection) and "Read QR Code".
    void readImage(bool qrOnly, const std::optional<Rect>& selection);
    void extractSelectedText();
    RecognitionWindow* recognitionWindow() const { return recognitionWindow_; }

    // Commands (menus, buttons, tests).
    void copyImage();
    void copyAnnotation(bool cut);
    void pasteFromClipboard();
    void duplicateAnnotation();
    void importImage();
    void pasteImage();
    void removeActiveImage();
    void restoreFullImage();
    void selectAdjacentAnnotation(int step);
    void exportImage();
    void zoomBy(double factor);
    void zoomToSelection();
    void copySampledColor();
    void copyMeasurement();
    void renameNote();

    // CanvasEditor
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
    bool endHeldVoice() override;
    void selectionDidChange() override;
    void updateMeasurements() override;
    void showContextMenu(const QPoint& globalPosition) override;
    bool dropImages(const QMimeData& data) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolbar();
    void buildMenus();
    void buildInspector();
    void wireDocument();
    // Runs one named edit; a refusal shows its message and leaves the note as it was.
    bool change(const QString& actionName, const std::function<void(CaptureNote&)>& body);
    void refresh();
    void refreshCanvas();
    void refreshImageBar();
    void refreshRows();
    void refreshRequest();
    void refreshActions();
    void setStatus(const QString& message, const std::optional<CaptureNote>& content = {});
    void showError(const QString& message);
    const Media* activeMedia() const;
    const Mark* selectedMark() const;
    void focusRow(const std::optional<Id>& noteID);
    void applyStyle(edits::StyleProperty property, const QVariant& value);
    void applyFit();
    void appendImage(const QByteArray& data, const QString& name);
    void noteAction(const Id& noteID, NoteAction action);
    QString measurementSummary() const;
    void showRequestMenu();

    std::unique_ptr<NoteDocument> document_;
    QSettings& settings_;
    ClipboardWatch& clipboard_;
    Id activeMediaID_;
    edits::EditorDefaults defaults_;
    QString statusMessage_;
    std::optional<CaptureNote> statusContent_;
    bool fit_ = true;
    std::optional<EditorViewState> pendingViewState_;
    // The decoded original on the canvas, kept while the image's bytes stay the same.
    QImage canvasImage_;

    CanvasView* canvas_ = nullptr;
    SidePanel* inspector_ = nullptr;
    QWidget* sidePanel_ = nullptr;
    RequestFlow* requestFlow_ = nullptr;
    ImageOutput* imageOutput_ = nullptr;
    CloseAfterSave* closeAfterSave_ = nullptr;
    std::vector<NoteRow*> rows_;
    QComboBox* imagePicker_ = nullptr;
    QComboBox* rolePicker_ = nullptr;
    QCheckBox* includeToggle_ = nullptr;
    QComboBox* zoomPicker_ = nullptr;
    QActionGroup* tools_ = nullptr;
    QLabel* statusLine_ = nullptr;
    std::map<QString, QAction*> actions_;
    std::optional<RecognitionEngines> recognition_;
    QPointer<RecognitionWindow> recognitionWindow_;
};

} // namespace lumbex
