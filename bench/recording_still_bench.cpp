#include "model/fast_png.h"
#include "recording/recording_composition.h"
#include "scrolling_recording.h"

#include <benchmark/benchmark.h>

namespace lumbex {
namespace {

using bench::kFrame;
using bench::segment;

// "Add Current Frame" at the last picture before the next key frame: the still is decoded from the
// key frame two seconds earlier.
void BM_StillBeforeAKeyFrame(benchmark::State& state) {
    const RecordingComposition composition = segment().compose();
    for (auto _ : state)
        benchmark::DoNotOptimize(composition.frameAt(2'000'000 - kFrame).render());
}
BENCHMARK(BM_StillBeforeAKeyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StillAtAKeyFrame(benchmark::State& state) {
    const RecordingComposition composition = segment().compose();
    for (auto _ : state)
        benchmark::DoNotOptimize(composition.frameAt(2'000'000).render());
}
BENCHMARK(BM_StillAtAKeyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The still as the note stores it: rendered and encoded as PNG.
void BM_StillBeforeAKeyFrameAsPng(benchmark::State& state) {
    const RecordingComposition composition = segment().compose();
    for (auto _ : state)
        benchmark::DoNotOptimize(FastPng::encode(composition.frameAt(2'000'000 - kFrame).render()));
}
BENCHMARK(BM_StillBeforeAKeyFrameAsPng)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace lumbex
