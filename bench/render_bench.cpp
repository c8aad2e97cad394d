#include "canvas/rendering.h"
#include "marked_screenshot.h"
#include "model/image_files.h"

#include <benchmark/benchmark.h>

namespace lumbex {
namespace {

void BM_RenderAndEncodeMarked(benchmark::State& state) {
    const bench::MarkedScreenshot& shot = bench::markedScreenshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageFiles::encode(
            Rendering::render(shot.note, shot.media(), shot.png, false, {}), false));
}
BENCHMARK(BM_RenderAndEncodeMarked)->Unit(benchmark::kMillisecond);

// What any export costs at least: decode the original and encode it again.
void BM_DecodeAndEncodeUnmarked(benchmark::State& state) {
    const bench::MarkedScreenshot& shot = bench::markedScreenshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageFiles::encode(ImageFiles::image(shot.png), false));
}
BENCHMARK(BM_DecodeAndEncodeUnmarked)->Unit(benchmark::kMillisecond);

void BM_FullComposition(benchmark::State& state) {
    const bench::DecodedScreenshot d(bench::markedScreenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Rendering::render(d.original, d.media, d.marks, d.numbers, false, {}, {}));
}
BENCHMARK(BM_FullComposition)->Unit(benchmark::kMillisecond);

void BM_Sample(benchmark::State& state) {
    const bench::DecodedScreenshot d(bench::markedScreenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Rendering::sample(d.original, d.media, d.marks, d.numbers, {1210.5, 640.5}));
}
BENCHMARK(BM_Sample)->Unit(benchmark::kMicrosecond);

void BM_PixelLoupe(benchmark::State& state) {
    const bench::DecodedScreenshot d(bench::markedScreenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Rendering::pixelLoupe(d.original, d.media, d.marks, d.numbers, {1210.5, 640.5}));
}
BENCHMARK(BM_PixelLoupe)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace lumbex
