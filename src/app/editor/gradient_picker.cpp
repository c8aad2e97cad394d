#include "app/editor/gradient_picker.h"

#include "canvas/gradient_preset.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace lumbex {
namespace {

QIcon swatchIcon(const GradientPreset& preset, QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    preset.draw(painter, QRectF(QPointF(0, 0), size));
    return QIcon(pixmap);
}

} // namespace

GradientPicker::GradientPicker(QWidget* parent) : QToolButton(parent) {
    setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    setIconSize({26, 16});
    setToolTip(QStringLiteral("Choose from 32 gradients, then customize the colors below"));
    setAccessibleName(QStringLiteral("Gradient presets"));
    connect(this, &QToolButton::clicked, this, &GradientPicker::openPopup);
}

void GradientPicker::setBackground(const ImageBackground& background) {
    const auto& presets = GradientPreset::all();
    const auto it = std::find_if(presets.begin(), presets.end(),
                                 [&](const GradientPreset& p) { return p.matches(background); });
    if (it != presets.end()) {
        setText(it->name + QStringLiteral("  ▾"));
        setIcon(QIcon(QPixmap::fromImage(it->image())));
    } else {
        setText(QStringLiteral("Custom gradient  ▾"));
        setIcon(QIcon());
    }
}

void GradientPicker::openPopup() {
    auto* popup = new QFrame(this, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose);
    popup->setWindowTitle(QStringLiteral("Gradients"));
    popup->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(popup);
    layout->setContentsMargins(14, 14, 14, 14);
    auto* title = new QLabel(QStringLiteral("<b>Gradients</b>"), popup);
    auto* subtitle = new QLabel(QStringLiteral("32 presets"), popup);
    auto* hint = new QLabel(QStringLiteral("Choose a gradient"), popup);
    layout->addWidget(title);
    layout->addWidget(subtitle);
    auto* grid = new QGridLayout;
    grid->setSpacing(8);
    int index = 0;
    for (const GradientPreset& preset : GradientPreset::all()) {
        auto* swatch = new QToolButton(popup);
        swatch->setFixedSize(62, 32);
        swatch->setIconSize({58, 28});
        swatch->setIcon(swatchIcon(preset, {58, 28}));
        swatch->setAutoRaise(true);
        swatch->setAccessibleName(preset.name + QStringLiteral(" gradient"));
        swatch->setToolTip(preset.name + QStringLiteral(" · ") + preset.start +
                           QStringLiteral(" → ") + preset.end);
        connect(swatch, &QToolButton::clicked, popup, [this, popup, preset] {
            popup->close();
            if (onChoose)
                onChoose(preset);
        });
        grid->addWidget(swatch, index / 4, index % 4);
        ++index;
    }
    layout->addLayout(grid);
    layout->addWidget(hint);
    popup->setFixedWidth(272 + 28);
    popup->move(mapToGlobal(QPoint(0, height())));
    popup->show();
}

} // namespace lumbex
