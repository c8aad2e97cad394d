#pragma once

#include "records/media.h"

#include <QToolButton>
#include <functional>

namespace lumbex {

struct GradientPreset;

// The button that shows the background's gradient preset (or "Custom gradient") and opens the
// popup of 32 preset swatches.
class GradientPicker : public QToolButton {
    Q_OBJECT
public:
    explicit GradientPicker(QWidget* parent = nullptr);
    void setBackground(const ImageBackground& background);
    std::function<void(const GradientPreset&)> onChoose;

private:
    void openPopup();
};

} // namespace lumbex
