#pragma once

#include "capture/capture_controller.h"

#include <optional>

class QWidget;

namespace lumbex {

class CaptureSettings;

struct TimedCaptureChoice {
    CaptureController::Mode mode = CaptureController::Mode::Area;
    int delay = 5;
    bool explain = true;
};

// "Capture After Delay…": what to capture, after how long, and where it goes. None on Cancel.
std::optional<TimedCaptureChoice> askTimedCapture(QWidget* parent, bool canRepeat);
// "Capture Options…": pointer and window shadow, stored on "Save".
void editCaptureOptions(QWidget* parent, CaptureSettings& settings, bool screenAvailable);
void showPrivacy(QWidget* parent);
void showAbout(QWidget* parent);

} // namespace lumbex
