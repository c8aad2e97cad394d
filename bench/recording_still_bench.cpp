#include "model/fast_png.h"
#include "platform/recording_media.h"
#include "platform/segment_pictures.h"
#include "recording/recording_composition.h"
#include "recording/recording_segment_writer.h"
#include "screenshot.h"

#include <QDir>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace lumbex {
namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr qint64 kFrame = 1'000'000 / 30;
constexpr qint64 kSeconds = 3;
constexpr qint64 kSessionStart = 1'000'000'000;

// Three seconds of a desktop scrolling by seven pixels a frame, written the way the recorder
// writes it: every picture differs from the one before, the worst case for decoding forward from
// a key frame.
class ScrollingSegment {
public:
    ScrollingSegment() {
        QImage desktop;
        desktop.loadFromData(bench::screenshotPng(7));
        desktop = desktop.scaledToWidth(kWidth, Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_RGB32);
        const Id id = newId();
        const QString path = QDir(folder_.path()).filePath(idString(id) + QStringLiteral(".mov"));
        const auto writer = openMovieWriter(
            {path, kWidth, kHeight, RecordingSegmentWriter::videoBitRate(kWidth, kHeight), 2, {}});
        writer->startSession(kSessionStart);
        const int travel = desktop.height() - kHeight;
        for (qint64 time = 0, frame = 0; time < kSeconds * 1'000'000; time += kFrame, ++frame) {
            const int offset = int(frame * 7 % travel);
            writer->appendVideo({desktop.copy(0, offset, kWidth, kHeight), kSessionStart + time});
        }
        writer->endSession(kSessionStart + kSeconds * 1'000'000);
        if (!writer->finish())
            throw std::runtime_error("the segment could not be written");
        recording_.segments.push_back(inspectRecordingSegment(path, id));
    }

    RecordingComposition compose() const {
        return RecordingComposition::make(recording_, folder_.path(), std::nullopt, false,
                                          openSegmentPictures);
    }

private:
    QTemporaryDir folder_;
    ScreenRecording recording_ = ScreenRecording::make();
};

const ScrollingSegment& segment() {
    static const ScrollingSegment made;
    return made;
}

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
