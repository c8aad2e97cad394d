#include "app/cli/command.h"
#include "capture/scroll_matching.h"
#include "capture/scroll_stitcher.h"
#include "core/files.h"
#include "model/image_files.h"
#include "scrolling_page.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>

namespace lumbex {
namespace {

constexpr int kWidth = 1440, kHeight = 900, kStep = 300, kFrames = 20;

// 20 frames of a page scrolled 300 rows at a time, decoded and as PNG files written by another
// screenshot tool (Qt's default PNG setting).
struct ScrollFrames {
    QTemporaryDir folder;
    std::vector<QImage> images;
    QStringList files;

    ScrollFrames() {
        const QImage page = bench::scrollingPage(kWidth, kHeight + kStep * (kFrames - 1), 5);
        for (int i = 0; i < kFrames; ++i) {
            images.push_back(page.copy(0, i * kStep, kWidth, kHeight));
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            images.back().save(&buffer, "PNG");
            files << folder.filePath(QStringLiteral("frame %1.png").arg(i + 1));
            writeFileAtomically(files.back(), png);
        }
    }
};

const ScrollFrames& frames() {
    static const auto frames = std::make_unique<ScrollFrames>();
    return *frames;
}

// What `append` costs before the frame is encoded: sampling, the unchanged check, alignment.
void BM_MatchFrame(benchmark::State& state) {
    const auto& images = frames().images;
    ScrollMatching::Samples previous = ScrollMatching::sample(images[0]);
    size_t next = 1;
    for (auto _ : state) {
        ScrollMatching::Samples samples = ScrollMatching::sample(images[next]);
        if (ScrollMatching::looksUnchanged(previous, samples))
            state.SkipWithError("consecutive frames looked unchanged");
        benchmark::DoNotOptimize(ScrollMatching::align(previous, samples));
        previous = std::move(samples);
        next = next + 1 == images.size() ? 1 : next + 1;
        if (next == 1)
            previous = ScrollMatching::sample(images[0]);
    }
}
BENCHMARK(BM_MatchFrame)->Unit(benchmark::kMillisecond);

// Full appends of the 20 frames into a new stitcher, PNG encoding included.
void BM_AppendFrames(benchmark::State& state) {
    const auto& images = frames().images;
    for (auto _ : state) {
        ScrollStitcher stitcher;
        for (const QImage& image : images)
            stitcher.append(image);
        benchmark::DoNotOptimize(stitcher.height());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_AppendFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor `lumbex stitch` is measured against: reading, decoding and PNG-encoding each file.
void BM_DecodeAndEncodeFrames(benchmark::State& state) {
    for (auto _ : state)
        for (const QString& file : frames().files)
            benchmark::DoNotOptimize(
                ImageFiles::encode(ImageFiles::image(ImageFiles::readImageFile(file)), false)
                    .size());
}
BENCHMARK(BM_DecodeAndEncodeFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

// `lumbex stitch` of the 20 files into a note package, as the command line runs it.
void BM_StitchCommand(benchmark::State& state) {
    const ScrollFrames& bench = frames();
    static int run = 0; // package names stay unique across repetitions
    for (auto _ : state) {
        const QString package =
            bench.folder.filePath(QStringLiteral("Stitched %1.capturenote").arg(++run));
        std::FILE* quiet = std::fopen("/dev/null", "w");
        const int status = cli::runCommandLine(QStringList{QStringLiteral("stitch")} + bench.files +
                                                   QStringList{QStringLiteral("-o"), package},
                                               quiet);
        std::fclose(quiet);
        if (status != 0)
            state.SkipWithError("lumbex stitch failed");
    }
}
BENCHMARK(BM_StitchCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace lumbex
