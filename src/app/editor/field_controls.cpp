#include "app/editor/field_controls.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

namespace lumbex {

InspectorNumberControl::InspectorNumberControl(const QString& accessibleName, double initial,
                                               input::NumberRange range, const QString& unit,
                                               QWidget* parent)
    : QDoubleSpinBox(parent), range_(range), reported_(initial) {
    setAccessibleName(accessibleName);
    setObjectName(accessibleName);
    setRange(range.minimum, range.maximum);
    setDecimals(2);
    setSuffix(QLatin1Char(' ') + unit);
    setKeyboardTracking(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    QDoubleSpinBox::setValue(initial);
    connect(this, &QDoubleSpinBox::valueChanged, this, [this](double value) {
        if (value == reported_)
            return;
        reported_ = value;
        if (onChange)
            onChange(value);
    });
}

void InspectorNumberControl::setValue(double value, bool force) {
    if (!force && lineEdit()->hasFocus() && lineEdit()->isModified())
        return;
    reported_ = std::clamp(value, range_.minimum, range_.maximum);
    const QSignalBlocker blocker(this);
    QDoubleSpinBox::setValue(value);
    lineEdit()->setModified(false);
}

QValidator::State InspectorNumberControl::validate(QString& text, int&) const {
    QString bare = text;
    if (!suffix().isEmpty() && bare.endsWith(suffix()))
        bare.chop(suffix().size());
    if (input::parseNumber(bare, range_))
        return QValidator::Acceptable;
    return QValidator::Intermediate;
}

double InspectorNumberControl::valueFromText(const QString& text) const {
    QString bare = text;
    if (!suffix().isEmpty() && bare.endsWith(suffix()))
        bare.chop(suffix().size());
    return input::parseNumber(bare, range_).value_or(value());
}

QString InspectorNumberControl::textFromValue(double value) const {
    return input::formatNumber(value);
}

void InspectorNumberControl::fixup(QString& text) const {
    text = textFromValue(value());
}

InspectorColorControl::InspectorColorControl(const QString& accessibleName, QWidget* parent)
    : QWidget(parent), well_(new QToolButton(this)), field_(new QLineEdit(this)) {
    setObjectName(accessibleName);
    well_->setAccessibleName(accessibleName);
    well_->setToolTip(accessibleName);
    field_->setAccessibleName(accessibleName);
    field_->setPlaceholderText(QStringLiteral("#0561FA"));
    field_->setToolTip(QStringLiteral("sRGB hex color, such as 0561FA"));
    field_->setMaxLength(9);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(well_);
    layout->addWidget(field_, 1);

    connect(field_, &QLineEdit::editingFinished, this, [this] { commit(field_->text()); });
    connect(well_, &QToolButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(QColor(color_), this, objectName());
        if (chosen.isValid())
            commit(chosen.name(QColor::HexRgb));
    });
}

void InspectorColorControl::setColor(const QString& hex, bool force) {
    color_ = hex;
    if (force || !field_->hasFocus())
        field_->setText(hex);
    showColor();
}

void InspectorColorControl::commit(const QString& text) {
    const std::optional<QString> parsed = input::parseHexColor(text);
    if (!parsed) {
        field_->setText(color_);
        return;
    }
    field_->setText(*parsed);
    if (*parsed == color_)
        return;
    color_ = *parsed;
    showColor();
    if (onChange)
        onChange(color_);
}

void InspectorColorControl::showColor() {
    QPixmap swatch(20, 14);
    swatch.fill(QColor(color_).isValid() ? QColor(color_) : QColor(Qt::transparent));
    QPainter painter(&swatch);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    well_->setIcon(QIcon(swatch));
}

} // namespace lumbex
