// The editor's controls and commands: toolbar, menus, inspector callbacks and the canvas's calls.
#include "app/editor/clipboard_toast.h"
#include "app/editor/editor_window.h"
#include "app/editor/image_output.h"
#include "app/editor/input_parsing.h"
#include "app/editor/request_flow.h"
#include "app/editor/side_panel.h"
#include "app/editor/text_annotation_dialog.h"
#include "app/editor/themed_icon.h"
#include "canvas/canvas_view.h"
#include "core/error.h"
#include "model/image_files.h"
#include "model/note_coding.h"
#include "model/note_document.h"

#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QUndoStack>
#include <QUrl>

namespace lumbex {
namespace {

bool clipboardOffersImage(const QMimeData* data) {
    return data && (data->hasImage() || data->hasFormat(QStringLiteral("image/png")) ||
                    data->hasFormat(QStringLiteral("image/tiff")) || data->hasUrls());
}

} // namespace

void EditorWindow::buildToolbar() {
    QToolBar* bar = addToolBar(QStringLiteral("Editor"));
    bar->setObjectName(QStringLiteral("LumbexEditorToolbar"));
    bar->setMovable(false);
    bar->setIconSize({20, 20});

    imagePicker_ = new QComboBox(bar);
    imagePicker_->setAccessibleName(QStringLiteral("Image"));
    imagePicker_->setMinimumContentsLength(14);
    imagePicker_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(imagePicker_, &QComboBox::activated, this, [this](int index) {
        if (const auto id = parseId(imagePicker_->itemData(index).toString()))
            setActiveMedia(*id);
    });
    bar->addWidget(imagePicker_);

    rolePicker_ = new QComboBox(bar);
    rolePicker_->setAccessibleName(QStringLiteral("Image role"));
    for (MediaRole role : {MediaRole::Current, MediaRole::Reference, MediaRole::After})
        rolePicker_->addItem(rawValue(role));
    connect(rolePicker_, &QComboBox::activated, this, [this](int index) {
        const Id media = activeMediaID_;
        change(QStringLiteral("Change Image Role"), [&](CaptureNote& note) {
            for (Media& m : note.media)
                if (m.id == media)
                    m.role = static_cast<MediaRole>(index);
        });
    });
    bar->addWidget(rolePicker_);

    includeToggle_ = new QCheckBox(QStringLiteral("Include"), bar);
    includeToggle_->setToolTip(QStringLiteral("Include this image in the request"));
    connect(includeToggle_, &QCheckBox::clicked, this, [this](bool on) {
        const Id media = activeMediaID_;
        change(QStringLiteral("Change Request Inclusion"), [&](CaptureNote& note) {
            for (Media& m : note.media)
                if (m.id == media)
                    m.includeInRequest = on;
        });
    });
    bar->addWidget(includeToggle_);

    auto* imageActions = new QToolButton(bar);
    imageActions->setIcon(themedIcon(QStringLiteral("view-more")));
    imageActions->setText(QStringLiteral("Image actions"));
    imageActions->setAccessibleName(QStringLiteral("Image and recording frame actions"));
    imageActions->setToolTip(QStringLiteral("Image actions"));
    imageActions->setPopupMode(QToolButton::InstantPopup);
    auto* imageMenu = new QMenu(imageActions);
    imageMenu->addSection(QStringLiteral("Image actions"));
    imageMenu->addAction(QStringLiteral("Remove Image"), this, &EditorWindow::removeActiveImage);
    imageActions->setMenu(imageMenu);
    bar->addWidget(imageActions);

    auto* addImage = new QToolButton(bar);
    addImage->setIcon(themedIcon(QStringLiteral("list-add")));
    addImage->setToolTip(QStringLiteral("Add image"));
    addImage->setAccessibleName(QStringLiteral("Add image"));
    addImage->setPopupMode(QToolButton::InstantPopup);
    auto* addMenu = new QMenu(addImage);
    addMenu->addAction(QStringLiteral("Import Image…"), this, &EditorWindow::importImage);
    QAction* captureInto =
        addMenu->addAction(QStringLiteral("Capture into This Note…"), this, [this] {
            if (onCaptureIntoNote)
                onCaptureIntoNote(this);
        });
    connect(addMenu, &QMenu::aboutToShow, captureInto,
            [this, captureInto] { captureInto->setVisible(bool(onCaptureIntoNote)); });
    addMenu->addAction(QStringLiteral("Paste Image"), this, &EditorWindow::pasteImage);
    addImage->setMenu(addMenu);
    bar->addWidget(addImage);
    bar->addSeparator();

    tools_ = new QActionGroup(this);
    tools_->setExclusive(true);
    for (const CanvasToolInfo& info : canvasTools()) {
        QAction* action = bar->addAction(themedIcon(info.iconName), info.title);
        action->setCheckable(true);
        action->setData(static_cast<int>(info.tool));
        action->setToolTip(info.title + QStringLiteral(" (") + QLatin1Char(info.shortcut) +
                           QLatin1Char(')'));
        action->setObjectName(QStringLiteral("tool.") + info.title);
        action->setChecked(info.tool == CanvasTool::Select);
        tools_->addAction(action);
    }
    connect(tools_, &QActionGroup::triggered, this, [this](QAction* action) {
        selectTool(static_cast<CanvasTool>(action->data().toInt()));
        canvas_->setFocus();
    });
    bar->addSeparator();

    zoomPicker_ = new QComboBox(bar);
    zoomPicker_->setAccessibleName(QStringLiteral("Canvas zoom"));
    zoomPicker_->setEditable(true);
    zoomPicker_->setInsertPolicy(QComboBox::NoInsert);
    zoomPicker_->addItems({QStringLiteral("Fit"), QStringLiteral("25%"), QStringLiteral("50%"),
                           QStringLiteral("100%"), QStringLiteral("200%"), QStringLiteral("400%"),
                           QStringLiteral("800%")});
    connect(zoomPicker_, &QComboBox::textActivated, this, [this](const QString& text) {
        if (text == QStringLiteral("Fit"))
            return setDisplayZoom(std::nullopt);
        const std::optional<double> percent = input::parseNumber(text, {3, 800});
        if (percent)
            setDisplayZoom(*percent / 100);
        else
            refreshImageBar();
    });
    bar->addWidget(zoomPicker_);
}

void EditorWindow::buildInspector() {
    inspector_ = new SidePanel(this);
    inspector_->onStyle = [this](edits::StyleProperty property, const QVariant& value) {
        applyStyle(property, value);
    };
    inspector_->onBounds = [this](const Rect& bounds) {
        const Mark* mark = selectedMark();
        if (!mark || canvas_->tool() != CanvasTool::Select)
            return;
        const Id id = mark->id;
        CaptureNote trial = document_->note();
        try {
            const QString name = edits::setMarkBounds(trial, id, bounds);
            change(name, [&](CaptureNote& note) { edits::setMarkBounds(note, id, bounds); });
        } catch (const LumbexError& e) {
            setStatus(e.message());
            refresh();
        }
    };
    inspector_->onLensSource = [this](Point source) {
        const Mark* mark = selectedMark();
        if (!mark || mark->kind != MarkKind::Magnify)
            return;
        Mark moved = *mark;
        moved.magnificationCenter = source;
        change(QStringLiteral("Move Magnification Source"),
               [&](CaptureNote& note) { edits::replaceMark(note, moved); });
    };
    inspector_->onImageEdit = [this](const QString& name, std::function<void(Media&)> body) {
        const Id media = activeMediaID_;
        change(name, [&](CaptureNote& note) {
            for (Media& m : note.media)
                if (m.id == media)
                    body(m);
            edits::prepareForStorage(note);
        });
    };
    inspector_->onLoupe = [this](bool on) { canvas_->setLoupeEnabled(on); };
    inspector_->onCopySample = [this] { copySampledColor(); };
    inspector_->onCopyMeasurement = [this] { copyMeasurement(); };
    connect(inspector_->copyForAgentButton(), &QPushButton::clicked, requestFlow_,
            &RequestFlow::copyForAgent);
    connect(inspector_->previewButton(), &QPushButton::clicked, requestFlow_,
            &RequestFlow::reviewRequest);
    connect(inspector_->copyImageButton(), &QPushButton::clicked, this, &EditorWindow::copyImage);
    connect(inspector_->shareButton(), &QPushButton::clicked, this, &EditorWindow::exportImage);
    connect(inspector_->projectButton(), &QPushButton::clicked, this,
            &EditorWindow::showRequestMenu);
}

void EditorWindow::showRequestMenu() {
    QMenu menu(this);
    if (const std::optional<QString> folder = requestFlow_->destination())
        menu.addAction(*folder)->setEnabled(false);
    menu.addAction(QStringLiteral("Choose Project Folder…"), this,
                   [this] { requestFlow_->chooseDestination(); });
    menu.addAction(QStringLiteral("Review Request…"), requestFlow_, &RequestFlow::reviewRequest);
    QAction* reviewOnly = menu.addAction(QStringLiteral("Review Only"), this, [this] {
        change(QStringLiteral("Change Request Mode"),
               [](CaptureNote& note) { note.reviewOnly = !note.reviewOnly; });
    });
    reviewOnly->setCheckable(true);
    reviewOnly->setChecked(document_->note().reviewOnly);
    menu.addAction(QStringLiteral("Show Last Prepared Files"), requestFlow_,
                   &RequestFlow::showLastPreparedFiles)
        ->setEnabled(requestFlow_->controller().lastHandoff().has_value());
    QPushButton* anchor = inspector_->projectButton();
    menu.exec(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

void EditorWindow::buildMenus() {
    const auto add = [this](QMenu* menu, const QString& title, auto slot,
                            const QKeySequence& keys = {}) {
        QAction* action = menu->addAction(title, this, slot);
        action->setShortcut(keys);
        actions_[title] = action;
        return action;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    add(file, QStringLiteral("Import Image into Note…"), &EditorWindow::importImage,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I));
    add(
        file, QStringLiteral("Save"), [this] { document_->save(); }, QKeySequence::Save);
    add(file, QStringLiteral("Rename Note…"), &EditorWindow::renameNote);
    add(file, QStringLiteral("Export Image…"), &EditorWindow::exportImage,
        QKeySequence(Qt::CTRL | Qt::Key_E));
    file->addSeparator();
    add(
        file, QStringLiteral("Close"), [this] { close(); }, QKeySequence::Close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    QAction* undo = document_->undoStack().createUndoAction(this, QStringLiteral("Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = document_->undoStack().createRedoAction(this, QStringLiteral("Redo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    edit->addAction(undo);
    edit->addAction(redo);
    actions_[QStringLiteral("Undo")] = undo;
    actions_[QStringLiteral("Redo")] = redo;
    edit->addSeparator();
    add(
        edit, QStringLiteral("Cut"), [this] { copyAnnotation(true); }, QKeySequence::Cut);
    add(
        edit, QStringLiteral("Copy"), [this] { copyAnnotation(false); }, QKeySequence::Copy);
    add(edit, QStringLiteral("Paste"), &EditorWindow::pasteFromClipboard, QKeySequence::Paste);
    edit->addSeparator();
    add(edit, QStringLiteral("Copy Image"), &EditorWindow::copyImage,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    add(
        edit, QStringLiteral("Copy for Agent"), [this] { requestFlow_->copyForAgent(); },
        QKeySequence(Qt::CTRL | Qt::Key_Return));
    add(edit, QStringLiteral("Copy Color"), &EditorWindow::copySampledColor,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K));
    edit->addSeparator();
    add(
        edit, QStringLiteral("Extract Text…"), [this] { readImage(false, std::nullopt); },
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T));
    add(edit, QStringLiteral("Extract Selected Text…"), &EditorWindow::extractSelectedText);
    add(edit, QStringLiteral("Read QR Code…"), [this] { readImage(true, std::nullopt); });

    QMenu* annotation = menuBar()->addMenu(QStringLiteral("&Annotation"));
    add(
        annotation, QStringLiteral("Add Location Note at Center"),
        [this] { addCenteredNote(canvas_->visibleCenter()); }, QKeySequence(Qt::CTRL | Qt::Key_L));
    add(annotation, QStringLiteral("Edit Note Text"), &EditorWindow::editSelectedNote,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    add(
        annotation, QStringLiteral("Select Next Annotation"),
        [this] { selectAdjacentAnnotation(1); },
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_BracketRight));
    add(
        annotation, QStringLiteral("Select Previous Annotation"),
        [this] { selectAdjacentAnnotation(-1); },
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_BracketLeft));
    add(annotation, QStringLiteral("Duplicate"), &EditorWindow::duplicateAnnotation,
        QKeySequence(Qt::CTRL | Qt::Key_D));
    add(annotation, QStringLiteral("Delete Annotation"), &EditorWindow::deleteAnnotation);
    add(annotation, QStringLiteral("Restore Full Image"), &EditorWindow::restoreFullImage);

    QMenu* view = menuBar()->addMenu(QStringLiteral("&View"));
    add(
        view, QStringLiteral("Zoom In"), [this] { zoomBy(2); }, QKeySequence::ZoomIn);
    add(
        view, QStringLiteral("Zoom Out"), [this] { zoomBy(0.5); }, QKeySequence::ZoomOut);
    add(
        view, QStringLiteral("Actual Pixels"), [this] { setDisplayZoom(1.0); },
        QKeySequence(Qt::CTRL | Qt::Key_0));
    add(
        view, QStringLiteral("Fit Image"), [this] { setDisplayZoom(std::nullopt); },
        QKeySequence(Qt::CTRL | Qt::Key_9));
    add(view, QStringLiteral("Zoom to Selection"), &EditorWindow::zoomToSelection,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
    QAction* loupe = add(view, QStringLiteral("Pixel Loupe"), [this] {
        canvas_->setLoupeEnabled(!canvas_->loupeEnabled());
        inspector_->setLoupeChecked(canvas_->loupeEnabled());
    });
    loupe->setCheckable(true);
    add(view, QStringLiteral("Pin Image"), &EditorWindow::pinImage,
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    view->addSeparator();
    QAction* showInspector = add(view, QStringLiteral("Show Inspector"), [this] {
        sidePanel_->setVisible(actions_[QStringLiteral("Show Inspector")]->isChecked());
    });
    showInspector->setCheckable(true);
    showInspector->setChecked(true);

    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &EditorWindow::refreshActions);
}

void EditorWindow::refreshActions() {
    const bool selected = selectedMark() != nullptr;
    const bool image = activeMedia() != nullptr;
    const QMimeData* data = QApplication::clipboard()->mimeData();
    const bool annotationOnClipboard = data && data->hasFormat(kAnnotationClipboardType);
    const auto set = [this](const char* title, bool enabled, const QString& text = {}) {
        if (QAction* action = actions_[QString::fromUtf8(title)]) {
            action->setEnabled(enabled);
            if (!text.isEmpty())
                action->setText(text);
        }
    };
    set("Cut", selected);
    set("Copy", image, selected ? QStringLiteral("Copy Annotation") : QStringLiteral("Copy Image"));
    set("Paste", annotationOnClipboard || clipboardOffersImage(data),
        annotationOnClipboard ? QStringLiteral("Paste Annotation") : QStringLiteral("Paste Image"));
    set("Copy Image", image);
    set("Duplicate", selected);
    set("Delete Annotation", selected);
    set("Edit Note Text", selected);
    set("Zoom to Selection", selected);
    set("Restore Full Image", activeMedia() && activeMedia()->crop.has_value());
    set("Export Image…", image);
    set("Pin Image", image && bool(onPinImage));
    for (const char* reading : {"Extract Text…", "Extract Selected Text…", "Read QR Code…"})
        set(reading, image && recognition_.has_value());
    if (tools_)
        for (QAction* action : tools_->actions())
            action->setChecked(action->data().toInt() == static_cast<int>(canvas_->tool()));
}

DrawingDefaults EditorWindow::drawingDefaults() const {
    return defaults_.drawing;
}

void EditorWindow::addMark(const Mark& mark) {
    if (change(edits::addMarkActionName(mark.kind),
               [&](CaptureNote& note) { edits::addMark(note, mark); }) &&
        mark.kind == MarkKind::Pointer) {
        canvas_->selectAnnotation(mark.id);
        for (const LinkedNote& linked : document_->note().notes)
            if (linked.markID == mark.id)
                focusRow(linked.id);
    }
}

void EditorWindow::updateMark(const Mark& mark) {
    change(QStringLiteral("Move Annotation"),
           [&](CaptureNote& note) { edits::replaceMark(note, mark); });
}

void EditorWindow::addTextMark(const Mark& mark, bool editing) {
    const std::optional<QString> text = askAnnotationText(this, mark.text, editing);
    if (!text)
        return;
    Mark edited = mark;
    edited.text = *text;
    if (editing) {
        change(QStringLiteral("Edit Text"),
               [&](CaptureNote& note) { edits::replaceMark(note, edited); });
        return;
    }
    edited.lineWidth = defaults_.textSize / 6;
    change(edits::addMarkActionName(MarkKind::Text),
           [&](CaptureNote& note) { edits::addMark(note, edited); });
}

void EditorWindow::setCrop(const Rect& crop) {
    const Id media = activeMediaID_;
    change(QStringLiteral("Crop Image"), [&](CaptureNote& note) {
        for (Media& m : note.media)
            if (m.id == media)
                m.crop = crop.intersected(m.extent());
        edits::prepareForStorage(note);
    });
}

void EditorWindow::restoreFullImage() {
    const Id media = activeMediaID_;
    change(QStringLiteral("Restore Full Image"), [&](CaptureNote& note) {
        for (Media& m : note.media)
            if (m.id == media)
                m.crop.reset();
    });
}

void EditorWindow::deleteAnnotation() {
    const std::optional<Id> id = canvas_->selectedID();
    if (!id || !document_->note().mark(*id))
        return;
    if (change(QStringLiteral("Delete Annotation"),
               [&](CaptureNote& note) { edits::deleteMark(note, *id); }))
        canvas_->selectAnnotation(std::nullopt);
}

void EditorWindow::editSelectedNote() {
    const Mark* mark = selectedMark();
    if (!mark)
        return;
    const Id markID = mark->id;
    if (!document_->note().number(markID))
        change(QStringLiteral("Add Note"),
               [&](CaptureNote& note) { edits::ensureNoteForMark(note, markID); });
    for (const LinkedNote& linked : document_->note().notes)
        if (linked.markID == markID)
            focusRow(linked.id);
}

void EditorWindow::addCenteredNote(Point at) {
    if (!activeMedia())
        return;
    Mark pin;
    pin.id = newId();
    pin.mediaID = activeMediaID_;
    pin.kind = MarkKind::Pointer;
    pin.start = pin.end = at;
    pin.color = defaults_.drawing.color;
    pin.lineWidth = defaults_.drawing.lineWidth;
    addMark(pin);
}

void EditorWindow::selectTool(CanvasTool tool) {
    if (canvas_->tool() != tool)
        canvas_->setTool(tool);
    refreshActions();
    inspector_->refresh(activeMedia(), selectedMark(), defaults_, tool == CanvasTool::Select);
}

void EditorWindow::extractText(const Rect& region) {
    readImage(false, region);
}

void EditorWindow::dictateLocation(const Mark& draft, const std::optional<Id>& existingID) {
    if (existingID) {
        canvas_->selectAnnotation(existingID);
        editSelectedNote();
        return;
    }
    if (change(QStringLiteral("Add Voice Location"),
               [&](CaptureNote& note) { edits::addMark(note, draft); }))
        for (const LinkedNote& linked : document_->note().notes)
            if (linked.markID == draft.id)
                focusRow(linked.id);
}

bool EditorWindow::endHeldVoice() {
    return false;
}

void EditorWindow::selectionDidChange() {
    inspector_->refresh(activeMedia(), selectedMark(), defaults_,
                        canvas_->tool() == CanvasTool::Select);
    refreshActions();
}

void EditorWindow::updateMeasurements() {
    const std::optional<QColor> sample = canvas_->sampledColor();
    inspector_->showSample(sample ? sample->name(QColor::HexRgb).toUpper() : QString());
    inspector_->showMeasurement(measurementSummary());
}

void EditorWindow::showContextMenu(const QPoint& globalPosition) {
    QMenu menu(this);
    const bool selected = selectedMark() != nullptr;
    if (selected) {
        menu.addAction(QStringLiteral("Edit Note Text"), this, &EditorWindow::editSelectedNote);
        menu.addAction(QStringLiteral("Delete Annotation"), this, &EditorWindow::deleteAnnotation);
    }
    menu.addAction(QStringLiteral("Share Image…"), this, &EditorWindow::exportImage);
    if (activeMedia() && activeMedia()->crop)
        menu.addAction(QStringLiteral("Restore Full Image"), this, &EditorWindow::restoreFullImage);
    menu.exec(globalPosition);
}

void EditorWindow::appendImage(const QByteArray& data, const QString& name) {
    try {
        const Id id = document_->appendImage(data, name, true);
        setActiveMedia(id);
    } catch (const LumbexError& e) {
        setStatus(e.message());
    }
}

void EditorWindow::applyStyle(edits::StyleProperty property, const QVariant& value) {
    const Mark* mark = selectedMark();
    if (!mark) {
        edits::applyStyle(defaults_, property, value);
        return;
    }
    Mark styled = *mark;
    edits::applyStyle(styled, property, value);
    change(edits::styleActionName(property), [&](CaptureNote& note) {
        edits::replaceMark(note, styled);
        edits::prepareForStorage(note);
    });
}

void EditorWindow::noteAction(const Id& noteID, NoteAction action) {
    switch (action) {
    case NoteAction::SelectLocation:
        for (const LinkedNote& linked : document_->note().notes)
            if (linked.id == noteID && linked.markID) {
                selectTool(CanvasTool::Select);
                canvas_->selectAnnotation(linked.markID);
            }
        break;
    case NoteAction::Reconnect: {
        const std::optional<Id> selected = canvas_->selectedID();
        change(QStringLiteral("Reconnect Note"),
               [&](CaptureNote& note) { edits::reconnectNote(note, noteID, selected); });
        break;
    }
    case NoteAction::MoveToGeneral:
        change(QStringLiteral("Move to General Note"),
               [&](CaptureNote& note) { edits::moveToGeneralNote(note, noteID); });
        break;
    case NoteAction::Remove:
        change(QStringLiteral("Remove Note"),
               [&](CaptureNote& note) { edits::removeNote(note, noteID); });
        break;
    }
}

} // namespace lumbex
