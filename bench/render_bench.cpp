#include "canvas/rendering.h"
#include "model/image_files.h"
#include "screenshot.h"

#include <QBuffer>
#include <QImageReader>
#include <array>
#include <benchmark/benchmark.h>

namespace lumbex {
namespace {

// One 2880 × 1800 screenshot with 20 marks of mixed kinds: 2 lenses, 2 redactions, 6 numbered.
struct MarkedScreenshot {
    QByteArray png = bench::screenshotPng(2);
    CaptureNote note = CaptureNote::make();

    MarkedScreenshot() {
        Media media;
        media.id = newId();
        media.width = bench::kWidth;
        media.height = bench::kHeight;
        media.sha256 = ImageFiles::hash(png);
        note.media.push_back(media);
        const std::array kinds{MarkKind::Pointer,  MarkKind::Arrow,     MarkKind::Rectangle,
                               MarkKind::Ellipse,  MarkKind::Highlight, MarkKind::Text,
                               MarkKind::Freehand, MarkKind::Line};
        for (int i = 0; i < 20; ++i) {
            Mark mark;
            mark.id = newId();
            mark.mediaID = media.id;
            mark.kind = i < 2   ? MarkKind::Magnify
                        : i < 4 ? MarkKind::Redact
                                : kinds[size_t(i) % kinds.size()];
            mark.start = {100.0 + 130 * i, 120.0 + 70 * i};
            mark.end = mark.start + Point{220, 140};
            mark.color = i % 2 ? QStringLiteral("red") : QStringLiteral("#22AA66");
            mark.lineWidth = 4;
            if (mark.kind == MarkKind::Magnify)
                mark.magnificationCenter = Point{1500.0 + 200 * i, 900};
            if (mark.kind == MarkKind::Text)
                mark.text = QStringLiteral("The Save button is cut off at 125 % scaling");
            if (mark.kind == MarkKind::Freehand)
                mark.points = std::vector<Point>{mark.start, mark.start + Point{60, 90}, mark.end};
            note.marks.push_back(mark);
            if (i >= 4 && i < 10) {
                LinkedNote linked = LinkedNote::make();
                linked.markID = mark.id;
                note.notes.push_back(linked);
            }
        }
    }
    const Media& media() const { return note.media.front(); }
};

// The decoded original with the marks and numbers of its image, as the canvas holds them.
struct DecodedScreenshot {
    const Media& media;
    QImage original;
    std::vector<Mark> marks;
    MarkNumbers numbers;

    explicit DecodedScreenshot(const MarkedScreenshot& shot)
        : media(shot.media()), original(ImageFiles::image(shot.png)),
          marks(shot.note.marksOn(media.id)), numbers(shot.note.numbers(marks)) {}
};

const MarkedScreenshot& screenshot() {
    static const MarkedScreenshot shot;
    return shot;
}

void BM_RenderAndEncodeMarked(benchmark::State& state) {
    const MarkedScreenshot& shot = screenshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageFiles::encode(
            Rendering::render(shot.note, shot.media(), shot.png, false, {}), false));
}
BENCHMARK(BM_RenderAndEncodeMarked)->Unit(benchmark::kMillisecond);

// What any export costs at least: decode the original and encode it again.
void BM_DecodeAndEncodeUnmarked(benchmark::State& state) {
    const MarkedScreenshot& shot = screenshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(ImageFiles::encode(ImageFiles::image(shot.png), false));
}
BENCHMARK(BM_DecodeAndEncodeUnmarked)->Unit(benchmark::kMillisecond);

void BM_FullComposition(benchmark::State& state) {
    const DecodedScreenshot d(screenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Rendering::render(d.original, d.media, d.marks, d.numbers, false, {}, {}));
}
BENCHMARK(BM_FullComposition)->Unit(benchmark::kMillisecond);

void BM_Sample(benchmark::State& state) {
    const DecodedScreenshot d(screenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Rendering::sample(d.original, d.media, d.marks, d.numbers, {1210.5, 640.5}));
}
BENCHMARK(BM_Sample)->Unit(benchmark::kMicrosecond);

void BM_PixelLoupe(benchmark::State& state) {
    const DecodedScreenshot d(screenshot());
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Rendering::pixelLoupe(d.original, d.media, d.marks, d.numbers, {1210.5, 640.5}));
}
BENCHMARK(BM_PixelLoupe)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace lumbex
