#include "capture/capture_png.h"
#include "model/image_files.h"
#include "platform/x11_screen_grabber.h"

#include <QBuffer>
#include <QImageWriter>
#include <benchmark/benchmark.h>

// Reads the screen of the X server named by DISPLAY (bench/capture_vs_peers.sh starts one with a
// realistic desktop): the grab paths and the PNG encoding that make up `lumbex capture`.
namespace lumbex {
namespace {

std::unique_ptr<ScreenGrabber> screenOrSkip(benchmark::State& state) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        state.SkipWithError("DISPLAY is not set");
        return nullptr;
    }
    return connectX11ScreenGrabber(qgetenv("DISPLAY"));
}

void BM_GrabDisplaySharedMemory(benchmark::State& state) {
    const auto screen = screenOrSkip(state);
    if (!screen)
        return;
    const ScreenDisplay display = screen->displays().front();
    for (auto _ : state)
        benchmark::DoNotOptimize(screen->grabDisplay(display));
}
BENCHMARK(BM_GrabDisplaySharedMemory)->Unit(benchmark::kMillisecond);

void BM_GrabDisplayAreaGetImage(benchmark::State& state) {
    const auto screen = screenOrSkip(state);
    if (!screen)
        return;
    const QRect area = screen->displays().front().geometry;
    for (auto _ : state)
        benchmark::DoNotOptimize(screen->grabArea(area));
}
BENCHMARK(BM_GrabDisplayAreaGetImage)->Unit(benchmark::kMillisecond);

// The capture encoder against the general one (zlib level 3, adaptive filters) and Qt's default
// (level 6, Qt quality q being level (100 − q) × 9 / 91).
void BM_EncodeDisplay(benchmark::State& state) {
    const auto screen = screenOrSkip(state);
    if (!screen)
        return;
    const QImage image = screen->grabDisplay(screen->displays().front()).image;
    qint64 bytes = 0;
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0:
            bytes = encodeCapturePng(image).size();
            break;
        case 1:
            bytes = ImageFiles::encode(image, false).size();
            break;
        default: {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter(&buffer, "png").write(image);
            bytes = png.size();
        }
        }
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodeDisplay)
    ->ArgName("capture0_general1_qt2")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumbex
