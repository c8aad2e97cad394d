#include "capture/capture_png.h"
#include "platform/wayland_screen_copy.h"

#include <QBuffer>
#include <QImageWriter>
#include <benchmark/benchmark.h>

// Where the time of a full-screen capture on Wayland goes, in the compositor named by
// WAYLAND_DISPLAY (bench/wayland_capture_vs_grim.py's session, or run this inside one): copying
// the first output straight from the compositor, then encoding the PNG.
namespace lumbex {
namespace {

std::optional<QImage> firstOutput(benchmark::State& state) {
    const std::unique_ptr<OutputCopier> copier = waylandOutputCopier();
    const std::optional<std::vector<WaylandOutput>> outputs = copier->outputs();
    if (!outputs || outputs->empty()) {
        state.SkipWithError("no compositor that offers output copies (WAYLAND_DISPLAY)");
        return std::nullopt;
    }
    const std::optional<OutputCopies> copies = copier->copy({outputs->front().name});
    if (!copies || copies->pictures.front().isNull()) {
        state.SkipWithError("the copy failed");
        return std::nullopt;
    }
    return copies->pictures.front();
}

// A new connection each time, as a command-line capture makes: outputs, one frame, conversion.
void BM_CopyFirstOutput(benchmark::State& state) {
    if (!firstOutput(state))
        return;
    const std::unique_ptr<OutputCopier> copier = waylandOutputCopier();
    const QString name = copier->outputs()->front().name;
    for (auto _ : state)
        benchmark::DoNotOptimize(copier->copy({name}));
}
BENCHMARK(BM_CopyFirstOutput)->Unit(benchmark::kMillisecond)->UseRealTime();

// The capture encoder against Qt's PNG writer (libpng, adaptive filters) at its default zlib
// level 6, which is also what grim writes with, and at level 1.
void BM_EncodeFirstOutput(benchmark::State& state) {
    const std::optional<QImage> image = firstOutput(state);
    if (!image)
        return;
    qint64 bytes = 0;
    for (auto _ : state) {
        if (state.range(0) == 0) {
            bytes = encodeCapturePng(*image).size();
        } else {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, "png");
            if (state.range(0) == 2)
                writer.setQuality(89); // zlib level (100 − quality) × 9 / 91
            writer.write(*image);
            bytes = png.size();
        }
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_EncodeFirstOutput)
    ->ArgName("capture0_qtLevel6_1_qtLevel1_2")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumbex
