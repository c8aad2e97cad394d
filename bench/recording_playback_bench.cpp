#include "recording/recording_frame_stream.h"
#include "recording/recording_player.h"
#include "scrolling_recording.h"

#include <QEventLoop>
#include <QTimer>
#include <benchmark/benchmark.h>

namespace lumbex {
namespace {

using bench::segment;

// Decoding and rendering every picture of three seconds of 1920 × 1080 at 30 fps, as the player's
// worker does; `fps` above 30 is what playback needs.
void BM_DecodeAndRenderEveryPicture(benchmark::State& state) {
    const RecordingComposition composition = segment().compose();
    qint64 pictures = 0;
    for (auto _ : state) {
        RecordingFrameStream stream(composition);
        while (std::optional<ComposedFrame> frame = stream.next()) {
            benchmark::DoNotOptimize(frame->render());
            ++pictures;
        }
    }
    state.counters["fps"] = benchmark::Counter(double(pictures), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeAndRenderEveryPicture)->Unit(benchmark::kMillisecond)->UseRealTime();

// Seeking in the middle of a key-frame interval: the picture shows after decoding from the key
// frame before it.
void BM_SeekToTheLastPictureBeforeAKeyFrame(benchmark::State& state) {
    const RecordingComposition composition = segment().compose();
    for (auto _ : state) {
        RecordingFrameStream stream(composition, 2'000'000 - bench::kFrame);
        benchmark::DoNotOptimize(stream.next()->render());
    }
}
BENCHMARK(BM_SeekToTheLastPictureBeforeAKeyFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The player playing the three seconds in real time: `shown` of the movie's pictures reached the
// screen, the rest were dropped as late.
void BM_PlayerInRealTime(benchmark::State& state) {
    const auto composition = std::make_shared<RecordingComposition>(segment().compose());
    qint64 movie = 0;
    for (RecordingFrameStream stream(*composition); stream.next();)
        ++movie;
    qint64 shown = 0;
    qint64 plays = 0;
    for (auto _ : state) {
        RecordingPlayer player;
        player.load(composition);
        QEventLoop loop;
        QObject::connect(&player, &RecordingPlayer::pictureChanged, [&] {
            if (player.isPlaying())
                ++shown;
        });
        QObject::connect(&player, &RecordingPlayer::playingChanged, &loop, [&](bool playing) {
            if (!playing)
                loop.quit();
        });
        QTimer::singleShot(0, &player, [&] { player.play(); });
        loop.exec();
        ++plays;
    }
    state.counters["shown"] = double(shown) / double(plays);
    state.counters["dropped"] = double(movie * plays - shown) / double(plays);
}
BENCHMARK(BM_PlayerInRealTime)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
} // namespace lumbex
