#include "app/editor/editor_window.h"

#include "app/editor/clipboard_watch.h"
#include "app/editor/close_after_save.h"
#include "app/editor/editor_view_state.h"
#include "app/editor/image_output.h"
#include "app/editor/note_row.h"
#include "app/editor/recognition_window.h"
#include "app/editor/request_flow.h"
#include "app/editor/request_summary.h"
#include "app/editor/side_panel.h"
#include "app/editor/text_annotation_dialog.h"
#include "canvas/canvas_view.h"
#include "core/error.h"
#include "model/image_files.h"
#include "model/note_document.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

namespace lumbex {

EditorWindow::EditorWindow(std::unique_ptr<NoteDocument> document, QSettings& settings,
                           ClipboardWatch& clipboard, QWidget* parent)
    : QMainWindow(parent), document_(std::move(document)), settings_(settings),
      clipboard_(clipboard) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("editor.") + idString(document_->note().id));
    if (!document_->note().media.empty())
        activeMediaID_ = document_->note().media.front().id;

    canvas_ = new CanvasView(*this, this);
    requestFlow_ = new RequestFlow(
        *document_, settings_, clipboard_, [this] { return activeMediaID_; }, this);
    imageOutput_ = new ImageOutput(
        *document_, clipboard_, [this] { return activeMediaID_; },
        [this] { return canvas_->selectedID(); }, this);
    imageOutput_->onStatus = [this](const QString& message) { setStatus(message); };
    imageOutput_->onError = [this](const QString& message) { showError(message); };
    requestFlow_->onStatus = [this](const QString& message,
                                    const std::optional<CaptureNote>& content) {
        setStatus(message, content);
    };
    requestFlow_->onError = [this](const QString& message) { showError(message); };
    closeAfterSave_ = new CloseAfterSave(*this, *document_,
                                         [this](const QString& message) { showError(message); });
    requestFlow_->onRefresh = [this] { refreshRequest(); };
    requestFlow_->commitEditing = [this] {
        inspector_->commitEditing();
        for (NoteRow* row : rows_)
            row->commitTyping();
    };

    buildInspector();
    buildToolbar();
    buildMenus();
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("Status line"));
    statusBar()->addWidget(statusLine_, 1);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(canvas_);
    auto* inspectorScroll = new QScrollArea;
    inspectorScroll->setWidget(inspector_);
    inspectorScroll->setWidgetResizable(true);
    inspectorScroll->setMinimumWidth(300);
    inspectorScroll->setObjectName(QStringLiteral("Inspector scroll"));
    auto* side = new QWidget(splitter);
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(inspectorScroll, 1);
    sideLayout->addWidget(inspector_->requestSection());
    splitter->addWidget(side);
    sidePanel_ = side;
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setCollapsible(0, false);
    setCentralWidget(splitter);

    wireDocument();
    if (const auto state = EditorViewState::load(settings_, document_->note().id))
        restoreViewState(*state);
    refresh();
    resize(1280, 820);
}

EditorWindow::~EditorWindow() = default;

void EditorWindow::wireDocument() {
    connect(document_.get(), &NoteDocument::noteChanged, this, [this] {
        if (!document_->note().image(activeMediaID_) && !document_->note().media.empty())
            activeMediaID_ = document_->note().media.front().id;
        refresh();
    });
    connect(document_.get(), &NoteDocument::stateChanged, this, [this] { refreshRequest(); });
}

bool EditorWindow::change(const QString& actionName,
                          const std::function<void(CaptureNote&)>& body) {
    try {
        document_->change(actionName, body);
        return true;
    } catch (const LumbexError& e) {
        setStatus(e.message());
        return false;
    }
}

const Media* EditorWindow::activeMedia() const {
    return document_->note().image(activeMediaID_);
}

const Mark* EditorWindow::selectedMark() const {
    const std::optional<Id> id = canvas_->selectedID();
    return id ? document_->note().mark(*id) : nullptr;
}

void EditorWindow::setActiveMedia(const Id& mediaID) {
    if (!document_->note().image(mediaID) || mediaID == activeMediaID_)
        return;
    activeMediaID_ = mediaID;
    canvas_->selectAnnotation(std::nullopt);
    fit_ = true;
    refresh();
    applyFit();
    canvas_->setFocus();
}

void EditorWindow::refresh() {
    const CaptureNote& note = document_->note();
    setWindowTitle(note.title + QStringLiteral(" — Lumbex"));
    if (statusContent_ && !note.hasSameRequestContent(*statusContent_)) {
        statusMessage_.clear();
        statusContent_.reset();
    }
    refreshCanvas();
    refreshImageBar();
    refreshRows();
    inspector_->refresh(activeMedia(), selectedMark(), defaults_,
                        canvas_->tool() == CanvasTool::Select);
    refreshRequest();
    refreshActions();
    if (recognitionWindow_)
        recognitionWindow_->session().invalidateIfNeeded();
}

void EditorWindow::refreshCanvas() {
    const CaptureNote& note = document_->note();
    const Media* media = activeMedia();
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
                setStatus(e.message());
            }
        }
        canvasImage_ = original;
    }
    canvas_->setContent(media, original, marks, note.numbers(marks));
    if (fit_)
        applyFit();
}

void EditorWindow::refreshImageBar() {
    const CaptureNote& note = document_->note();
    {
        const QSignalBlocker blocker(imagePicker_);
        imagePicker_->clear();
        for (const Media& media : note.media)
            imagePicker_->addItem(media.name.isEmpty() ? QStringLiteral("Image") : media.name,
                                  idString(media.id));
        imagePicker_->setCurrentIndex(imagePicker_->findData(idString(activeMediaID_)));
    }
    const Media* media = activeMedia();
    const QSignalBlocker roleBlocker(rolePicker_);
    const QSignalBlocker includeBlocker(includeToggle_);
    rolePicker_->setEnabled(media);
    includeToggle_->setEnabled(media);
    if (media) {
        rolePicker_->setCurrentIndex(static_cast<int>(media->role));
        includeToggle_->setChecked(media->includeInRequest);
    }
    const QSignalBlocker zoomBlocker(zoomPicker_);
    zoomPicker_->setEditText(fit_ ? QStringLiteral("Fit")
                                  : QString::number(qRound(*displayZoom() * 100)) +
                                        QLatin1Char('%'));
}

void EditorWindow::refreshRows() {
    const CaptureNote& note = document_->note();
    std::vector<std::optional<Id>> wanted{std::nullopt};
    for (const LinkedNote& linked : note.notes)
        wanted.emplace_back(linked.id);
    std::vector<std::optional<Id>> present;
    for (const NoteRow* row : rows_)
        present.push_back(row->noteID());
    if (wanted != present) {
        for (NoteRow* row : rows_)
            row->deleteLater();
        rows_.clear();
        for (const std::optional<Id>& id : wanted) {
            auto* row = new NoteRow(id, inspector_);
            row->onText = [this, id](const QString& text) {
                change(QStringLiteral("Typing"), [&](CaptureNote& n) { n.setBody(text, id); });
            };
            row->onInclude = [this, id](bool on) {
                change(QStringLiteral("Change Request Inclusion"), [&](CaptureNote& n) {
                    if (!id) {
                        n.includeGeneral = on;
                        return;
                    }
                    for (LinkedNote& linked : n.notes)
                        if (linked.id == *id)
                            linked.included = on;
                });
            };
            if (id)
                row->onAction = [this, id = *id](NoteAction action) { noteAction(id, action); };
            inspector_->notesArea()->addWidget(row);
            rows_.push_back(row);
        }
    }
    for (NoteRow* row : rows_)
        row->refresh(note);
}

void EditorWindow::refreshRequest() {
    const CaptureNote& note = document_->note();
    const RequestSummary summary = RequestSummary::make(
        note, activeMediaID_, {requestFlow_->destination(), requestFlow_->destinationIsBroken()},
        requestFlow_->controller().isPreparing());
    inspector_->projectButton()->setText(summary.title);
    inspector_->projectButton()->setToolTip(summary.toolTip);
    QPushButton* agent = inspector_->copyForAgentButton();
    agent->setText(requestFlow_->controller().isPreparing() ? QStringLiteral("Preparing…")
                                                            : QStringLiteral("Copy for Agent"));
    agent->setEnabled(summary.canCopy);
    if (QAction* action = actions_[QStringLiteral("Copy for Agent")])
        action->setEnabled(summary.canCopy);
    QString save;
    if (document_->saveError())
        save = *document_->saveError();
    else if (document_->isSaving())
        save = QStringLiteral("Saving…");
    else if (!document_->filePath().isEmpty())
        save = QStringLiteral("Saved");
    inspector_->setStatus(statusMessage_, save);
    statusLine_->setText(statusMessage_);
}

void EditorWindow::setStatus(const QString& message, const std::optional<CaptureNote>& content) {
    statusMessage_ = message;
    statusContent_ = content;
    if (statusLine_)
        refreshRequest();
}

void EditorWindow::showError(const QString& message) {
    setStatus(message);
    auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

NoteRow* EditorWindow::rowFor(const std::optional<Id>& noteID) const {
    for (NoteRow* row : rows_)
        if (row->noteID() == noteID)
            return row;
    return nullptr;
}

void EditorWindow::focusRow(const std::optional<Id>& noteID) {
    refresh();
    if (NoteRow* row = rowFor(noteID))
        QTimer::singleShot(0, row, [row] { row->focusText(); });
}

std::optional<double> EditorWindow::displayZoom() const {
    if (fit_)
        return std::nullopt;
    return canvas_->zoom() * devicePixelRatioF();
}

void EditorWindow::setDisplayZoom(std::optional<double> zoom) {
    if (!zoom) {
        fit_ = true;
        applyFit();
    } else {
        fit_ = false;
        canvas_->setZoom(std::clamp(*zoom, 0.03, 8.0) / devicePixelRatioF());
    }
    refreshImageBar();
}

void EditorWindow::setDisplayZoom(double zoom, Point anchor) {
    fit_ = false;
    canvas_->setZoom(std::clamp(zoom, 0.03, 8.0) / devicePixelRatioF(), anchor);
    refreshImageBar();
}

void EditorWindow::applyFit() {
    if (fit_ && canvas_->media())
        canvas_->setZoom(canvas_->fitZoom());
}

void EditorWindow::zoomBy(double factor) {
    const double current = canvas_->zoom() * devicePixelRatioF();
    setDisplayZoom(current * factor);
}

EditorViewState EditorWindow::viewState() const {
    EditorViewState state;
    state.mediaID = activeMediaID_;
    state.tool = canvas_->tool();
    state.selectedID = canvas_->selectedID();
    state.zoom = displayZoom();
    state.center = canvas_->visibleCenter();
    state.inspectorVisible = !sidePanel_->isHidden();
    return state;
}

void EditorWindow::restoreViewState(const EditorViewState& state) {
    if (document_->note().image(state.mediaID))
        activeMediaID_ = state.mediaID;
    refreshCanvas();
    selectTool(state.tool);
    if (state.selectedID && document_->note().mark(*state.selectedID))
        canvas_->selectAnnotation(state.selectedID, false);
    pendingViewState_ = state;
    sidePanel_->setVisible(state.inspectorVisible);
    if (QAction* inspector = actions_[QStringLiteral("Show Inspector")])
        inspector->setChecked(state.inspectorVisible);
}

void EditorWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (pendingViewState_) {
        const EditorViewState state = *pendingViewState_;
        pendingViewState_.reset();
        QTimer::singleShot(0, this, [this, state] {
            setDisplayZoom(state.zoom);
            if (state.zoom)
                canvas_->centerOn(state.center);
        });
    } else {
        QTimer::singleShot(0, this, [this] { applyFit(); });
    }
}

void EditorWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    applyFit();
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    inspector_->commitEditing();
    for (NoteRow* row : rows_)
        row->commitTyping();
    viewState().save(settings_, document_->note().id);
    if (!closeAfterSave_->mayClose())
        return event->ignore();
    requestFlow_->controller().invalidate();
    document_->close();
    event->accept();
}

} // namespace lumbex
