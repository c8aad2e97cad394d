#include "app/recording_ui/recording_player_panel.h"
#include "recording/recording_frame_stream.h"
#include "recording/recording_player.h"
#include "scrolling_recording.h"

#include <QElapsedTimer>
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

// The recording window's player panel playing the three seconds: every picture the player
// shows is painted, scaled into a 960 × 540 view, before the next one counts. `fps` is the
// rate of pictures that reached the view; 30 means none was lost.
void BM_PanelPaintsInRealTime(benchmark::State& state) {
    const auto composition = std::make_shared<RecordingComposition>(segment().compose());
    qint64 movie = 0;
    for (RecordingFrameStream stream(*composition); stream.next();)
        ++movie;
    RecordingPlayerPanel panel;
    panel.resize(960, 620);
    panel.show();
    qint64 painted = 0;
    qint64 plays = 0;
    double seconds = 0;
    for (auto _ : state) {
        RecordingPlayer& player = panel.player();
        player.load(composition);
        QEventLoop loop;
        QElapsedTimer clock;
        const QMetaObject::Connection shown =
            QObject::connect(&player, &RecordingPlayer::pictureChanged, [&] {
                if (!player.isPlaying())
                    return;
                panel.video()->repaint();
                ++painted;
            });
        const QMetaObject::Connection ended =
            QObject::connect(&player, &RecordingPlayer::playingChanged, &loop, [&](bool playing) {
                if (!playing)
                    loop.quit();
            });
        QTimer::singleShot(0, &player, [&] {
            clock.start();
            player.play();
        });
        loop.exec();
        seconds += double(clock.nsecsElapsed()) / 1e9;
        QObject::disconnect(shown);
        QObject::disconnect(ended);
        ++plays;
    }
    state.counters["shown"] = double(painted) / double(plays);
    state.counters["dropped"] = double(movie * plays - painted) / double(plays);
    state.counters["fps"] = double(painted) / seconds;
}
BENCHMARK(BM_PanelPaintsInRealTime)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
} // namespace lumbex
