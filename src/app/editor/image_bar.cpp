#include "app/editor/image_bar.h"

#include "app/commands/command_registry.h"
#include "app/editor/canvas_zoom.h"
#include "app/editor/editor_context.h"
#include "app/editor/input_parsing.h"
#include "app/editor/themed_icon.h"
#include "canvas/canvas_view.h"
#include "model/note_coding.h"
#include "model/note_document.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace lumbex {

ImageBar::ImageBar(QMainWindow& window, EditorContext& context, const CommandRegistry& commands,
                   CanvasZoom& zoom, std::function<void(CanvasTool)> chooseTool)
    : context_(context), zoom_(zoom), chooseTool_(std::move(chooseTool)),
      bar_(window.addToolBar(QStringLiteral("Editor"))) {
    bar_->setObjectName(QStringLiteral("LumbexEditorToolbar"));
    bar_->setMovable(false);
    bar_->setIconSize({20, 20});
    addImageControls(commands);
    bar_->addSeparator();
    addTools();
    bar_->addSeparator();
    addZoomPicker();
}

void ImageBar::addImageControls(const CommandRegistry& commands) {
    imagePicker_ = new QComboBox(bar_);
    imagePicker_->setAccessibleName(QStringLiteral("Image"));
    imagePicker_->setMinimumContentsLength(14);
    imagePicker_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    QObject::connect(imagePicker_, &QComboBox::activated, bar_, [this](int index) {
        if (const auto id = parseId(imagePicker_->itemData(index).toString()))
            context_.showImage(*id);
    });
    bar_->addWidget(imagePicker_);

    rolePicker_ = new QComboBox(bar_);
    rolePicker_->setAccessibleName(QStringLiteral("Image role"));
    for (MediaRole role : {MediaRole::Current, MediaRole::Reference, MediaRole::After})
        rolePicker_->addItem(rawValue(role));
    QObject::connect(rolePicker_, &QComboBox::activated, bar_, [this](int index) {
        const Id media = context_.activeMediaID();
        context_.change(QStringLiteral("Change Image Role"), [&](CaptureNote& note) {
            for (Media& m : note.media)
                if (m.id == media)
                    m.role = static_cast<MediaRole>(index);
        });
    });
    bar_->addWidget(rolePicker_);

    includeToggle_ = new QCheckBox(QStringLiteral("Include"), bar_);
    includeToggle_->setToolTip(QStringLiteral("Include this image in the request"));
    QObject::connect(includeToggle_, &QCheckBox::clicked, bar_, [this](bool on) {
        const Id media = context_.activeMediaID();
        context_.change(QStringLiteral("Change Request Inclusion"), [&](CaptureNote& note) {
            for (Media& m : note.media)
                if (m.id == media)
                    m.includeInRequest = on;
        });
    });
    bar_->addWidget(includeToggle_);

    auto* imageActions = new QToolButton(bar_);
    imageActions->setIcon(themedIcon(QStringLiteral("view-more")));
    imageActions->setText(QStringLiteral("Image actions"));
    imageActions->setAccessibleName(QStringLiteral("Image and recording frame actions"));
    imageActions->setToolTip(QStringLiteral("Image actions"));
    imageActions->setPopupMode(QToolButton::InstantPopup);
    auto* imageMenu = new QMenu(imageActions);
    imageMenu->addSection(QStringLiteral("Image actions"));
    commands.addToMenu(*imageMenu,
                       {QStringLiteral("image.showInRecording"), QStringLiteral("image.remove")});
    imageActions->setMenu(imageMenu);
    bar_->addWidget(imageActions);

    auto* addImage = new QToolButton(bar_);
    addImage->setIcon(themedIcon(QStringLiteral("list-add")));
    addImage->setToolTip(QStringLiteral("Add image"));
    addImage->setAccessibleName(QStringLiteral("Add image"));
    addImage->setPopupMode(QToolButton::InstantPopup);
    auto* addMenu = new QMenu(addImage);
    commands.addToMenu(*addMenu,
                       {QStringLiteral("image.import"), QStringLiteral("image.captureInto"),
                        QStringLiteral("image.paste")});
    // Capturing into a note is offered only where the application captures for this window.
    QAction* captureInto = commands.action(QStringLiteral("image.captureInto"));
    QObject::connect(addMenu, &QMenu::aboutToShow, captureInto, [&commands, captureInto] {
        commands.refresh(QStringLiteral("image.captureInto"));
        captureInto->setVisible(captureInto->isEnabled());
    });
    addImage->setMenu(addMenu);
    bar_->addWidget(addImage);
}

void ImageBar::addTools() {
    tools_ = new QActionGroup(bar_);
    tools_->setExclusive(true);
    for (const CanvasToolInfo& info : canvasTools()) {
        QAction* action = bar_->addAction(themedIcon(info.iconName), info.title);
        action->setCheckable(true);
        action->setData(static_cast<int>(info.tool));
        action->setToolTip(info.title + QStringLiteral(" (") + QLatin1Char(info.shortcut) +
                           QLatin1Char(')'));
        action->setObjectName(QStringLiteral("tool.") + info.title);
        action->setChecked(info.tool == CanvasTool::Select);
        tools_->addAction(action);
    }
    QObject::connect(tools_, &QActionGroup::triggered, bar_, [this](QAction* action) {
        chooseTool_(static_cast<CanvasTool>(action->data().toInt()));
        context_.canvas().setFocus();
    });
}

void ImageBar::addZoomPicker() {
    zoomPicker_ = new QComboBox(bar_);
    zoomPicker_->setAccessibleName(QStringLiteral("Canvas zoom"));
    zoomPicker_->setEditable(true);
    zoomPicker_->setInsertPolicy(QComboBox::NoInsert);
    zoomPicker_->addItems({QStringLiteral("Fit"), QStringLiteral("25%"), QStringLiteral("50%"),
                           QStringLiteral("100%"), QStringLiteral("200%"), QStringLiteral("400%"),
                           QStringLiteral("800%")});
    QObject::connect(zoomPicker_, &QComboBox::textActivated, bar_, [this](const QString& text) {
        if (text == QStringLiteral("Fit"))
            return zoom_.set(std::nullopt);
        const std::optional<double> percent = input::parseNumber(text, {3, 800});
        if (percent)
            zoom_.set(*percent / 100);
        else
            refreshZoom();
    });
    bar_->addWidget(zoomPicker_);
}

void ImageBar::refresh() {
    const CaptureNote& note = context_.note();
    {
        const QSignalBlocker blocker(imagePicker_);
        imagePicker_->clear();
        for (const Media& media : note.media)
            imagePicker_->addItem(media.name.isEmpty() ? QStringLiteral("Image") : media.name,
                                  idString(media.id));
        imagePicker_->setCurrentIndex(imagePicker_->findData(idString(context_.activeMediaID())));
    }
    const Media* media = context_.activeMedia();
    const QSignalBlocker roleBlocker(rolePicker_);
    const QSignalBlocker includeBlocker(includeToggle_);
    rolePicker_->setEnabled(media);
    includeToggle_->setEnabled(media);
    if (media) {
        rolePicker_->setCurrentIndex(static_cast<int>(media->role));
        includeToggle_->setChecked(media->includeInRequest);
    }
    refreshZoom();
    refreshTool();
}

void ImageBar::refreshZoom() {
    const QSignalBlocker blocker(zoomPicker_);
    zoomPicker_->setEditText(zoom_.text());
}

void ImageBar::refreshTool() {
    const int tool = static_cast<int>(context_.canvas().tool());
    for (QAction* action : tools_->actions())
        action->setChecked(action->data().toInt() == tool);
}

} // namespace lumbex
