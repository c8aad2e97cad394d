#pragma once

#include "app/editor/input_parsing.h"

#include <QDoubleSpinBox>
#include <QWidget>
#include <functional>

class QLineEdit;
class QToolButton;

namespace lumbex {

// A number field with a stepper: text may carry a unit ("12 px"), numbers outside the range are
// clamped, anything else puts the previous value back. Reports only real changes, on Return,
// when editing ends or when the stepper moves.
class InspectorNumberControl : public QDoubleSpinBox {
    Q_OBJECT
public:
    InspectorNumberControl(const QString& accessibleName, double initial, input::NumberRange range,
                           const QString& unit, QWidget* parent = nullptr);
    // Updates the field unless the person is typing in it (or when forced).
    void setValue(double value, bool force = false);
    std::function<void(double)> onChange;

protected:
    QValidator::State validate(QString& text, int& position) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;
    void fixup(QString& text) const override;

private:
    input::NumberRange range_;
    double reported_;
};

// A colour well and a hex field. Typed text is trimmed, upper-cased and given its "#"; a colour
// that parses is applied (unless unchanged), other text puts the previous colour back.
class InspectorColorControl : public QWidget {
    Q_OBJECT
public:
    explicit InspectorColorControl(const QString& accessibleName, QWidget* parent = nullptr);
    void setColor(const QString& hex, bool force = false);
    const QString& color() const { return color_; }
    QLineEdit* field() const { return field_; }
    std::function<void(const QString&)> onChange;

private:
    void commit(const QString& text);
    void showColor();

    QString color_;
    QToolButton* well_;
    QLineEdit* field_;
};

} // namespace lumbex
