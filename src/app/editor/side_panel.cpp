#include "app/editor/side_panel.h"

#include "app/editor/field_controls.h"
#include "app/editor/gradient_picker.h"
#include "canvas/gradient_preset.h"
#include "geometry/colors.h"
#include "geometry/mark_geometry.h"
#include "model/note_edits.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumbex {
namespace {

constexpr input::NumberRange kCoordinate{-32768, 32768};
constexpr input::NumberRange kLength{0, 32768};

QLabel* explanation(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    label->setFont(font);
    return label;
}

bool hasLineWidth(MarkKind kind) {
    return kind != MarkKind::Text && kind != MarkKind::Redact && kind != MarkKind::Highlight;
}

} // namespace

SidePanel::SidePanel(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("Inspector"));
    sizeCaption_ = new QLabel(this);
    sizeCaption_->setAccessibleName(QStringLiteral("Image or selection dimensions"));
    layout_->addWidget(sizeCaption_);
    buildMeasureSection();
    buildStyleSection();
    buildGeometrySection();
    buildBackgroundSection();
    notesArea_ = new QVBoxLayout;
    layout_->addLayout(notesArea_);
    layout_->addStretch(1);
    buildRequestSection();
}

void SidePanel::buildMeasureSection() {
    auto* sampleRow = new QHBoxLayout;
    sampleRow->addWidget(new QLabel(QStringLiteral("Pixel color"), this));
    sampleLabel_ = new QLabel(QStringLiteral("—"), this);
    sampleLabel_->setAccessibleName(QStringLiteral("Sampled color"));
    auto* copySample = new QPushButton(QStringLiteral("Copy"), this);
    copySample->setAccessibleName(QStringLiteral("Copy pixel color"));
    copySample->setToolTip(QStringLiteral("Copy pixel color"));
    sampleRow->addWidget(sampleLabel_, 1);
    sampleRow->addWidget(copySample);
    layout_->addLayout(sampleRow);
    connect(copySample, &QPushButton::clicked, this, [this] {
        if (onCopySample)
            onCopySample();
    });

    loupeToggle_ = new QCheckBox(QStringLiteral("Pixel Loupe"), this);
    loupeToggle_->setToolTip(QStringLiteral("Show individual pixels under the pointer"));
    layout_->addWidget(loupeToggle_);
    connect(loupeToggle_, &QCheckBox::toggled, this, [this](bool on) {
        if (onLoupe)
            onLoupe(on);
    });

    measurementRow_ = new QWidget(this);
    auto* measureRow = new QHBoxLayout(measurementRow_);
    measureRow->setContentsMargins(0, 0, 0, 0);
    measurementLabel_ = new QLabel(measurementRow_);
    measurementLabel_->setAccessibleName(QStringLiteral("Measured distance"));
    measurementLabel_->setWordWrap(true);
    auto* copyMeasurement = new QPushButton(QStringLiteral("Copy"), measurementRow_);
    copyMeasurement->setAccessibleName(QStringLiteral("Measurement"));
    copyMeasurement->setToolTip(QStringLiteral("Copy Measurement"));
    measureRow->addWidget(measurementLabel_, 1);
    measureRow->addWidget(copyMeasurement, 0, Qt::AlignTop);
    measurementRow_->hide();
    layout_->addWidget(measurementRow_);
    connect(copyMeasurement, &QPushButton::clicked, this, [this] {
        if (onCopyMeasurement)
            onCopyMeasurement();
    });
}

void SidePanel::buildStyleSection() {
    lensBox_ = new QGroupBox(QStringLiteral("Magnification"), this);
    auto* lens = new QFormLayout(lensBox_);
    magnification_ = new InspectorNumberControl(QStringLiteral("Magnification"), 2, {2, 8},
                                                QStringLiteral("×"), lensBox_);
    sourceX_ = new InspectorNumberControl(QStringLiteral("Magnification source X"), 0, kCoordinate,
                                          QStringLiteral("px"), lensBox_);
    sourceY_ = new InspectorNumberControl(QStringLiteral("Magnification source Y"), 0, kCoordinate,
                                          QStringLiteral("px"), lensBox_);
    sourceX_->setToolTip(QStringLiteral("Source center X in original image pixels"));
    sourceY_->setToolTip(QStringLiteral("Source center Y in original image pixels"));
    lens->addRow(QStringLiteral("Magnification"), magnification_);
    lens->addRow(explanation(
        QStringLiteral("Magnification from 2× to 8×. The lens keeps its source when moved."),
        lensBox_));
    lens->addRow(QStringLiteral("Source X"), sourceX_);
    lens->addRow(QStringLiteral("Source Y"), sourceY_);
    layout_->addWidget(lensBox_);
    magnification_->onChange = [this](double value) {
        if (onStyle)
            onStyle(edits::StyleProperty::Magnification, value);
    };
    const auto moveSource = [this](double) {
        if (onLensSource)
            onLensSource({sourceX_->value(), sourceY_->value()});
    };
    sourceX_->onChange = moveSource;
    sourceY_->onChange = moveSource;

    styleBox_ = new QGroupBox(QStringLiteral("Annotation"), this);
    auto* style = new QFormLayout(styleBox_);
    color_ = new InspectorColorControl(QStringLiteral("Annotation color"), styleBox_);
    strokeWidth_ = new InspectorNumberControl(QStringLiteral("Stroke width"), 3, {1, 32},
                                              QStringLiteral("px"), styleBox_);
    textSize_ = new InspectorNumberControl(QStringLiteral("Text size"), 18, {16, 192},
                                           QStringLiteral("px"), styleBox_);
    opacity_ = new InspectorNumberControl(QStringLiteral("Highlight opacity"), 35, {0, 100},
                                          QStringLiteral("%"), styleBox_);
    style->addRow(QStringLiteral("Color"), color_);
    style->addRow(QStringLiteral("Width"), strokeWidth_);
    style->addRow(QStringLiteral("Size"), textSize_);
    style->addRow(QStringLiteral("Opacity"), opacity_);
    layout_->addWidget(styleBox_);
    color_->onChange = [this](const QString& hex) {
        if (onStyle)
            onStyle(edits::StyleProperty::Color, hex);
    };
    strokeWidth_->onChange = [this](double value) {
        if (onStyle)
            onStyle(edits::StyleProperty::StrokeWidth, value);
    };
    textSize_->onChange = [this](double value) {
        if (onStyle)
            onStyle(edits::StyleProperty::TextSize, value);
    };
    opacity_->onChange = [this](double value) {
        if (onStyle)
            onStyle(edits::StyleProperty::HighlightOpacity, value / 100);
    };
}

void SidePanel::buildGeometrySection() {
    geometryBox_ = new QGroupBox(QStringLiteral("Geometry"), this);
    auto* geometry = new QFormLayout(geometryBox_);
    x_ = new InspectorNumberControl(QStringLiteral("Annotation X"), 0, kCoordinate,
                                    QStringLiteral("px"), geometryBox_);
    y_ = new InspectorNumberControl(QStringLiteral("Annotation Y"), 0, kCoordinate,
                                    QStringLiteral("px"), geometryBox_);
    width_ = new InspectorNumberControl(QStringLiteral("Annotation width"), 0, kLength,
                                        QStringLiteral("px"), geometryBox_);
    height_ = new InspectorNumberControl(QStringLiteral("Annotation height"), 0, kLength,
                                         QStringLiteral("px"), geometryBox_);
    x_->setToolTip(QStringLiteral(
        "Left edge in source pixels. Negative values expand the image when no crop is active."));
    y_->setToolTip(QStringLiteral(
        "Top edge in source pixels. Negative values expand the image when no crop is active."));
    geometry->addRow(QStringLiteral("X"), x_);
    geometry->addRow(QStringLiteral("Y"), y_);
    geometry->addRow(QStringLiteral("Width"), width_);
    geometry->addRow(QStringLiteral("Height"), height_);
    geometryHint_ = explanation({}, geometryBox_);
    geometry->addRow(geometryHint_);
    layout_->addWidget(geometryBox_);
    for (InspectorNumberControl* field : {x_, y_, width_, height_})
        field->onChange = [this](double) { emitBounds(); };
}

void SidePanel::buildBackgroundSection() {
    backgroundBox_ = new QGroupBox(QStringLiteral("Image background"), this);
    auto* form = new QFormLayout(backgroundBox_);
    backgroundStyle_ = new QComboBox(backgroundBox_);
    backgroundStyle_->addItems(
        {QStringLiteral("None"), QStringLiteral("Solid"), QStringLiteral("Gradient")});
    backgroundStyle_->setAccessibleName(QStringLiteral("Image background"));
    padding_ = new InspectorNumberControl(QStringLiteral("Background padding"), 64, {0, 512},
                                          QStringLiteral("px"), backgroundBox_);
    corners_ = new InspectorNumberControl(QStringLiteral("Image corner radius"), 16, {0, 128},
                                          QStringLiteral("px"), backgroundBox_);
    backgroundColor_ =
        new InspectorColorControl(QStringLiteral("Background color"), backgroundBox_);
    gradientEnd_ = new InspectorColorControl(QStringLiteral("Gradient end color"), backgroundBox_);
    gradientPicker_ = new GradientPicker(backgroundBox_);
    shadow_ = new QCheckBox(QStringLiteral("Shadow"), backgroundBox_);
    form->addRow(QStringLiteral("Style"), backgroundStyle_);
    form->addRow(gradientPicker_);
    form->addRow(QStringLiteral("Color"), backgroundColor_);
    form->addRow(QStringLiteral("End"), gradientEnd_);
    form->addRow(QStringLiteral("Padding"), padding_);
    form->addRow(QStringLiteral("Corners"), corners_);
    form->addRow(shadow_);
    layout_->addWidget(backgroundBox_);

    const auto change = [this](std::function<void(ImageBackground&)> body) {
        if (onImageEdit)
            onImageEdit(QStringLiteral("Change Background"),
                        [body](Media& media) { body(edits::background(media)); });
    };
    connect(backgroundStyle_, &QComboBox::activated, this, [this](int index) {
        if (!onImageEdit)
            return;
        onImageEdit(QStringLiteral("Change Background"), [index](Media& media) {
            if (index == 0) {
                media.background.reset();
                return;
            }
            edits::background(media).style =
                index == 2 ? BackgroundStyle::Gradient : BackgroundStyle::Solid;
        });
    });
    padding_->onChange = [change](double v) { change([v](ImageBackground& b) { b.padding = v; }); };
    corners_->onChange = [change](double v) {
        change([v](ImageBackground& b) { b.cornerRadius = v; });
    };
    backgroundColor_->onChange = [change](const QString& hex) {
        change([hex](ImageBackground& b) { b.color = hex; });
    };
    gradientEnd_->onChange = [change](const QString& hex) {
        change([hex](ImageBackground& b) { b.secondaryColor = hex; });
    };
    connect(shadow_, &QCheckBox::clicked, this,
            [change](bool on) { change([on](ImageBackground& b) { b.shadow = on; }); });
    gradientPicker_->onChoose = [this](const GradientPreset& preset) {
        if (!onImageEdit)
            return;
        onImageEdit(QStringLiteral("Change Gradient Preset"), [preset](Media& media) {
            ImageBackground& background = edits::background(media);
            background.style = BackgroundStyle::Gradient;
            background.color = preset.start;
            background.secondaryColor = preset.end;
        });
    };
}

void SidePanel::buildRequestSection() {
    requestSection_ = new QWidget;
    auto* section = new QVBoxLayout(requestSection_);
    projectButton_ = new QPushButton(requestSection_);
    projectButton_->setAccessibleName(QStringLiteral("Project folder and request details"));
    projectButton_->setFlat(true);
    section->addWidget(projectButton_);
    auto* buttons = new QGridLayout;
    previewButton_ = new QPushButton(QStringLiteral("Preview Request"), requestSection_);
    previewButton_->setToolTip(
        QStringLiteral("Review the text and images included in your request"));
    copyImageButton_ = new QPushButton(QStringLiteral("Copy Image"), requestSection_);
    copyForAgentButton_ = new QPushButton(QStringLiteral("Copy for Agent"), requestSection_);
    copyForAgentButton_->setToolTip(QStringLiteral("Copy the request · Ctrl+Return"));
    copyForAgentButton_->setDefault(true);
    shareButton_ = new QPushButton(QStringLiteral("Share Image"), requestSection_);
    shareButton_->setToolTip(QStringLiteral("Share the annotated image"));
    buttons->addWidget(previewButton_, 0, 0);
    buttons->addWidget(copyImageButton_, 0, 1);
    buttons->addWidget(shareButton_, 1, 0);
    buttons->addWidget(copyForAgentButton_, 1, 1);
    section->addLayout(buttons);
    requestStatus_ = new QLabel(requestSection_);
    requestStatus_->setObjectName(QStringLiteral("Request status"));
    requestStatus_->setWordWrap(true);
    saveStatus_ = new QLabel(requestSection_);
    saveStatus_->setObjectName(QStringLiteral("Save status"));
    saveStatus_->setForegroundRole(QPalette::PlaceholderText);
    section->addWidget(requestStatus_);
    section->addWidget(saveStatus_);
}

void SidePanel::refresh(const Media* media, const Mark* selected,
                        const edits::EditorDefaults& defaults, bool selectTool) {
    if (media) {
        const Rect size = selected ? selected->rect() : media->visibleRect();
        sizeCaption_->setText(QString::number(qRound64(size.width)) + QStringLiteral(" × ") +
                              QString::number(qRound64(size.height)) + QStringLiteral(" px"));
    } else {
        sizeCaption_->clear();
    }

    const bool lens = selected && selected->kind == MarkKind::Magnify;
    lensBox_->setVisible(lens);
    if (lens) {
        magnification_->setValue(selected->magnification.value_or(2));
        sourceX_->setValue(selected->sourceCenter().x);
        sourceY_->setValue(selected->sourceCenter().y);
    }

    const QString color = selected ? selected->color : defaults.drawing.color;
    color_->setColor(hex(markColor(color)));
    strokeWidth_->setValue(selected ? selected->lineWidth : defaults.drawing.lineWidth);
    strokeWidth_->setEnabled(!selected || hasLineWidth(selected->kind));
    textSize_->setValue(selected ? textSize(*selected) : defaults.textSize);
    textSize_->setEnabled(!selected || selected->kind == MarkKind::Text);
    opacity_->setValue(
        100 * (selected ? selected->opacity.value_or(0.35) : defaults.drawing.highlightOpacity));
    opacity_->setEnabled(!selected || selected->kind == MarkKind::Highlight);
    styleBox_->setTitle(selected ? QStringLiteral("Annotation")
                                 : QStringLiteral("New annotations"));

    geometryBox_->setVisible(selected && selectTool);
    if (selected) {
        const Rect rect = selected->rect();
        x_->setValue(rect.x);
        y_->setValue(rect.y);
        width_->setValue(rect.width);
        height_->setValue(rect.height);
        if (selected->kind == MarkKind::Text)
            geometryHint_->setText(
                QStringLiteral("Text wrap width in source pixels · Minimum 80\nMinimum text frame "
                               "height in source pixels · Minimum 40. Longer text grows to fit."));
        else if (selected->points)
            geometryHint_->setText(
                QStringLiteral("Width in source pixels. Flat strokes keep their empty "
                               "dimension.\nHeight in source pixels. Flat strokes keep their "
                               "empty dimension."));
        else
            geometryHint_->clear();
    }

    backgroundBox_->setEnabled(media != nullptr);
    const std::optional<ImageBackground> background =
        media ? media->background : std::optional<ImageBackground>();
    const ImageBackground shown = background.value_or(ImageBackground{});
    backgroundStyle_->setCurrentIndex(
        !background ? 0 : (background->style == BackgroundStyle::Gradient ? 2 : 1));
    for (QWidget* field : std::initializer_list<QWidget*>{padding_, corners_, backgroundColor_,
                                                          shadow_, gradientEnd_, gradientPicker_})
        field->setEnabled(background.has_value());
    gradientEnd_->setVisible(shown.style == BackgroundStyle::Gradient);
    padding_->setValue(shown.padding);
    corners_->setValue(shown.cornerRadius);
    backgroundColor_->setColor(shown.color);
    gradientEnd_->setColor(shown.secondaryColor);
    gradientPicker_->setBackground(shown);
    shadow_->setChecked(shown.shadow);
}

void SidePanel::showSample(const QString& hexColor) {
    sampleLabel_->setText(hexColor.isEmpty() ? QStringLiteral("—") : hexColor);
}

void SidePanel::showMeasurement(const QString& text) {
    measurementLabel_->setText(text);
}

void SidePanel::setLoupeChecked(bool on) {
    const QSignalBlocker blocker(loupeToggle_);
    loupeToggle_->setChecked(on);
}

void SidePanel::setStatus(const QString& request, const QString& save) {
    requestStatus_->setText(request);
    saveStatus_->setText(save);
}

void SidePanel::commitEditing() {
    if (QWidget* focused = focusWidget(); focused && isAncestorOf(focused))
        focused->clearFocus();
}

void SidePanel::emitBounds() {
    if (onBounds)
        onBounds({x_->value(), y_->value(), width_->value(), height_->value()});
}

} // namespace lumbex
