#include "app/desktop/capture_windows.h"

#include "app/capture_ui/countdown_panel.h"
#include "app/capture_ui/overlay_capture_picker.h"

#include <QApplication>
#include <QCursor>

namespace lumbex {

CaptureWindows makeCaptureWindows(ScreenGrabber& screen) {
    return {std::make_unique<OverlayCapturePicker>(OverlayCapturePicker::Services{
                screen, [] { QApplication::beep(); }, [] { return QCursor::pos(); }}),
            std::make_unique<CountdownPanel>()};
}

} // namespace lumbex
