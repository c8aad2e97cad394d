#include "app/editor/editor_window.h"

#include "app/commands/command_registry.h"
#include "app/editor/annotation_editor.h"
#include "app/editor/canvas_zoom.h"
#include "app/editor/close_after_save.h"
#include "app/editor/editor_commands.h"
#include "app/editor/image_bar.h"
#include "app/editor/image_commands.h"
#include "app/editor/output_commands.h"
#include "app/editor/request_flow.h"
#include "app/editor/side_panel.h"
#include "app/editor/side_panel_binding.h"
#include "app/editor/text_reading.h"
#include "app/editor/voice_controller.h"
#include "app/editor/voice_hold_target.h"
#include "canvas/canvas_view.h"
#include "core/error.h"
#include "model/image_files.h"
#include "model/note_document.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace lumbex {

EditorWindow::EditorWindow(std::unique_ptr<NoteDocument> document, QSettings& settings,
                           ClipboardWatch& clipboard, QWidget* parent)
    : QMainWindow(parent), document_(std::move(document)), settings_(settings),
      context_(*document_, *this) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("editor.") + idString(document_->note().id));
    createParts(settings, clipboard);
    layOut();

    context_.statusChanged = [this] { refreshStatus(); };
    context_.showImage = [this](const Id& mediaID) { setActiveMedia(mediaID); };
    context_.focusNote = [this](const std::optional<Id>& noteID) { focusRow(noteID); };
    connect(document_.get(), &NoteDocument::noteChanged, this, [this] {
        if (!context_.activeMedia() && !document_->note().media.empty())
            context_.setActiveMediaID(document_->note().media.front().id);
        refresh();
    });
    connect(document_.get(), &NoteDocument::stateChanged, this, [this] { refreshStatus(); });
    if (const auto state = EditorViewState::load(settings_, document_->note().id))
        restoreViewState(*state);
    refresh();
    // Roomy, but never taller or wider than the screen leaves for windows: the status line and
    // the request buttons must stay on screen.
    resize(QSize(1280, 820).boundedTo(screen()->availableGeometry().size() * 0.9));
}

EditorWindow::~EditorWindow() {
    // The parts go before the document they show; nothing it says on its way out reaches them.
    document_->disconnect(this);
}

void EditorWindow::createParts(QSettings& settings, ClipboardWatch& clipboard) {
    inspector_ = new SidePanel(this);
    sidePanel_ = new QWidget(this);
    requestFlow_ = new RequestFlow(
        *document_, settings, clipboard, [this] { return context_.activeMediaID(); }, this);
    const auto commitPanel = [this] { inspector_->commitEditing(); };
    const auto chooseTool = [this](CanvasTool tool) { annotations_->selectTool(tool); };
    zoom_ = std::make_unique<CanvasZoom>(context_);
    output_ = std::make_unique<OutputCommands>(context_, clipboard, commitPanel);
    images_ = std::make_unique<ImageCommands>(context_);
    reading_ = std::make_unique<TextReading>(context_, commitPanel);
    voice_ = std::make_unique<VoiceController>(context_);
    sidePanelBinding_ = std::make_unique<SidePanelBinding>(context_, *inspector_, *requestFlow_,
                                                           *output_, chooseTool);
    sidePanelBinding_->setVoice(*voice_);
    annotations_ = std::make_unique<AnnotationEditor>(
        context_, AnnotationEditor::Parts{
                      *zoom_, *reading_, *voice_, *images_, [this] { refreshSelection(); },
                      [this] { sidePanelBinding_->showMeasurements(); },
                      [this](const QPoint& position) { commands_->showContextMenu(position); }});
    canvas_ = new CanvasView(*annotations_, this);
    context_.setCanvas(*canvas_);
    commands_ = std::make_unique<EditorCommands>(EditorCommands::Parts{
        *this, context_, *annotations_, *zoom_, *images_, *output_, *reading_, *requestFlow_,
        *sidePanelBinding_, *sidePanel_, [this] { return bool(onPinImage); },
        [this] { return bool(onCaptureIntoNote); },
        [this] {
            if (onCaptureIntoNote)
                onCaptureIntoNote(this);
        },
        [this] { return bool(onDeleteNote) && !document_->filePath().isEmpty(); },
        [this] {
            if (onDeleteNote)
                onDeleteNote(this);
        },
        [this] { return bool(onOpenRecording); },
        [this](std::optional<qint64> sourceTime) {
            if (onOpenRecording)
                onOpenRecording(this, sourceTime);
        },
        [this] { return bool(onOpenSyncSettings); },
        [this] {
            if (onOpenSyncSettings)
                onOpenSyncSettings(this);
        }});
    imageBar_ =
        std::make_unique<ImageBar>(*this, context_, commands_->registry(), *zoom_, chooseTool);
    commands_->buildMenuBar(*menuBar());

    zoom_->changed = [this] { imageBar_->refreshZoom(); };
    output_->onPin = [this](const QByteArray& png, const Id& mediaID) {
        if (onPinImage)
            onPinImage(this, png, mediaID);
    };
    requestFlow_->onStatus = [this](const QString& message,
                                    const std::optional<CaptureNote>& content) {
        context_.setStatus(message, content);
    };
    requestFlow_->onError = [this](const QString& message) { context_.showError(message); };
    closeAfterSave_ = std::make_unique<CloseAfterSave>(
        *this, *document_, [this](const QString& message) { context_.showError(message); });
    requestFlow_->onRefresh = [this] { refreshStatus(); };
    requestFlow_->commitEditing = [this] { sidePanelBinding_->commitEditing(); };
    connect(inspector_->projectButton(), &QPushButton::clicked, this,
            [this] { commands_->showRequestMenu(*inspector_->projectButton()); });
}

void EditorWindow::layOut() {
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("Status line"));
    statusBar()->addWidget(statusLine_, 1);
    new EditorVoiceHold(context_, *voice_, *this);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(canvas_);
    auto* inspectorScroll = new QScrollArea;
    inspectorScroll->setWidget(inspector_);
    inspectorScroll->setWidgetResizable(true);
    inspectorScroll->setMinimumWidth(300);
    inspectorScroll->setObjectName(QStringLiteral("Inspector scroll"));
    auto* sideLayout = new QVBoxLayout(sidePanel_);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(inspectorScroll, 1);
    sideLayout->addWidget(inspector_->requestSection());
    splitter->addWidget(sidePanel_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setCollapsible(0, false);
    setCentralWidget(splitter);
}

void EditorWindow::setVoiceShortcutEditor(std::function<void()> edit) {
    voice_->editShortcut = std::move(edit);
}

CommandRegistry& EditorWindow::commands() {
    return commands_->registry();
}

void EditorWindow::setActiveMedia(const Id& mediaID) {
    if (!document_->note().image(mediaID) || mediaID == context_.activeMediaID())
        return;
    context_.setActiveMediaID(mediaID);
    canvas_->selectAnnotation(std::nullopt);
    zoom_->set(std::nullopt);
    refresh();
    canvas_->setFocus();
}

void EditorWindow::refresh() {
    setWindowTitle(document_->note().title + QStringLiteral(" — Lumbex"));
    context_.dropStaleStatus();
    refreshCanvas();
    imageBar_->refresh();
    sidePanelBinding_->refreshRows();
    sidePanelBinding_->refresh();
    refreshStatus();
    commands_->registry().refresh();
    reading_->noteChanged();
}

void EditorWindow::refreshCanvas() {
    const CaptureNote& note = document_->note();
    const Media* media = context_.activeMedia();
    if (!media) {
        canvas_->setContent(nullptr, {}, {}, {});
        return;
    }
    const std::vector<Mark> marks = note.marksOn(media->id);
    QImage original;
    if (canvas_->media() && canvas_->media()->id == media->id &&
        canvas_->media()->sha256 == media->sha256 && !canvasImage_.isNull()) {
        original = canvasImage_;
    } else {
        const auto bytes = document_->contents().originals.find(media->id);
        if (bytes != document_->contents().originals.end()) {
            try {
                original = ImageFiles::image(bytes->second);
            } catch (const LumbexError& e) {
                context_.setStatus(e.message());
            }
        }
        canvasImage_ = original;
    }
    canvas_->setContent(media, original, marks, note.numbers(marks));
    zoom_->applyFit();
}

void EditorWindow::refreshSelection() {
    sidePanelBinding_->refresh();
    commands_->registry().refresh();
    imageBar_->refreshTool();
}

void EditorWindow::refreshStatus() {
    sidePanelBinding_->refreshRequest();
    commands_->registry().refresh(QStringLiteral("editor.copyForAgent"));
    statusLine_->setText(context_.statusMessage());
}

NoteRow* EditorWindow::rowFor(const std::optional<Id>& noteID) const {
    return sidePanelBinding_->rowFor(noteID);
}

void EditorWindow::focusRow(const std::optional<Id>& noteID) {
    refresh();
    if (NoteRow* row = rowFor(noteID))
        QTimer::singleShot(0, row, [row] { row->focusText(); });
}

void EditorWindow::appendCapture(const QByteArray& png, const QString& name) {
    images_->append(png, name);
    raise();
    activateWindow();
}

void EditorWindow::setRecognitionEngines(RecognitionEngines engines) {
    reading_->setEngines(std::move(engines));
    commands_->registry().refresh();
}

EditorViewState EditorWindow::viewState() const {
    EditorViewState state;
    state.mediaID = context_.activeMediaID();
    state.tool = canvas_->tool();
    state.selectedID = canvas_->selectedID();
    state.zoom = zoom_->displayZoom();
    state.center = canvas_->visibleCenter();
    state.inspectorVisible = !sidePanel_->isHidden();
    return state;
}

void EditorWindow::restoreViewState(const EditorViewState& state) {
    if (document_->note().image(state.mediaID))
        context_.setActiveMediaID(state.mediaID);
    refreshCanvas();
    annotations_->selectTool(state.tool);
    if (state.selectedID && document_->note().mark(*state.selectedID))
        canvas_->selectAnnotation(state.selectedID, false);
    pendingViewState_ = state;
    sidePanel_->setVisible(state.inspectorVisible);
    commands_->registry().refresh(QStringLiteral("editor.showInspector"));
}

void EditorWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (pendingViewState_) {
        const EditorViewState state = *pendingViewState_;
        pendingViewState_.reset();
        QTimer::singleShot(0, this, [this, state] {
            zoom_->set(state.zoom);
            if (state.zoom)
                canvas_->centerOn(state.center);
        });
    } else {
        QTimer::singleShot(0, this, [this] { zoom_->applyFit(); });
    }
}

void EditorWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    zoom_->applyFit();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    sidePanelBinding_->commitEditing();
    // A voice note still recording or finishing is saved before the note can close.
    voice_->finishAll();
    viewState().save(settings_, document_->note().id);
    if (!closeAfterSave_->mayClose())
        return event->ignore();
    requestFlow_->controller().invalidate();
    document_->close();
    event->accept();
}

} // namespace lumbex
