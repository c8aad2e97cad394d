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

// The stored PNG encoding against other zlib levels (Qt quality q is level (100 − q) × 9 / 91).
void BM_EncodeDisplay(benchmark::State& state) {
    const auto screen = screenOrSkip(state);
    if (!screen)
        return;
    const QImage image = screen->grabDisplay(screen->displays().front()).image;
    const int quality = int(state.range(0));
    qint64 bytes = 0;
    for (auto _ : state) {
        if (quality < 0) {
            bytes = ImageFiles::encode(image, false).size();
            continue;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        writer.setQuality(quality);
        writer.write(image);
        bytes = png.size();
    }
    state.counters["bytes"] = double(bytes);
}
// -1: ImageFiles::encode as captures use it (level 3); then levels 1, 2 and 6 (Qt's default).
BENCHMARK(BM_EncodeDisplay)->Arg(-1)->Arg(80)->Arg(70)->Arg(34)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumbex
