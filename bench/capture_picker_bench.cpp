#include "app/capture_ui/capture_picker_view.h"
#include "app/capture_ui/overlay_capture_picker.h"
#include "capture/screen_lists.h"
#include "platform/x11_screen_grabber.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <benchmark/benchmark.h>

// From the call that presents the capture picker to its overlays being exposed on the X server
// named by DISPLAY, with the frozen grab of every display taken on the way. Run it with
// QT_QPA_PLATFORM=xcb under Xvfb (1920 × 1080 for the figures in the history), ideally with a
// window manager such as openbox, since the overlays then go through it as in a session.
namespace lumbex {
namespace {

bool allExposed(const OverlayCapturePicker& picker) {
    const std::vector<CapturePickerView*> views = picker.views();
    return !views.empty() && std::all_of(views.begin(), views.end(), [](CapturePickerView* v) {
        return v->windowHandle() && v->windowHandle()->isExposed();
    });
}

void BM_PresentPickerUntilExposed(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") ||
        QGuiApplication::platformName() != QStringLiteral("xcb")) {
        state.SkipWithError("needs DISPLAY and QT_QPA_PLATFORM=xcb");
        return;
    }
    const auto screen = connectX11ScreenGrabber(qgetenv("DISPLAY"));
    OverlayCapturePicker picker({*screen, [] {}, [] { return QPoint(10, 10); }});
    const PickerRequest request{false, captureDisplays(screen->displays()), {}};
    for (auto _ : state) {
        picker.present(request, [](std::optional<CaptureSelection>) {});
        QElapsedTimer waited;
        waited.start();
        while (!allExposed(picker) && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.PauseTiming();
        picker.cancel();
        for (int i = 0; i < 10; ++i)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PresentPickerUntilExposed)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace lumbex
