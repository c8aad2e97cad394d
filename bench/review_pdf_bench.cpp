#include "cloud/review_export.h"
#include "marked_screenshot.h"
#include "model/image_files.h"
#include "screenshot.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>

namespace lumbex {
namespace {

// A note of ten different 2880 × 1800 screenshots, each carrying the 20 marks of the marked
// screenshot (lenses and redactions included) and a numbered note.
struct TenImageNote {
    CaptureNote note = bench::markedScreenshot().note;
    std::map<Id, QByteArray> originals;

    TenImageNote() {
        const CaptureNote& marked = bench::markedScreenshot().note;
        note.media.clear();
        note.marks.clear();
        note.notes.clear();
        note.general = QStringLiteral("Ten screens of the checkout flow, each with its marks.");
        for (int i = 0; i < 10; ++i) {
            Media media = marked.media.front();
            media.id = newId();
            const QByteArray png = bench::screenshotPng(i + 1);
            media.sha256 = ImageFiles::hash(png);
            originals[media.id] = png;
            note.media.push_back(media);
            for (Mark mark : marked.marks) {
                mark.id = newId();
                mark.mediaID = media.id;
                note.marks.push_back(mark);
            }
            LinkedNote linked = LinkedNote::make();
            linked.markID = note.marks.back().id;
            linked.body = QStringLiteral("What is wrong on screen %1.").arg(i + 1);
            note.notes.push_back(linked);
        }
    }
};

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// "Export Review PDF…" from the note in memory to the verified file at its final name.
void BM_ExportReviewPdfOfTenImages(benchmark::State& state) {
    const TenImageNote input;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Review.pdf"));
    double cpu = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        exportReviewPdf(input.note, input.originals, path);
        cpu += processCpuSeconds() - before;
    }
    state.counters["pdfKiB"] = double(QFileInfo(path).size()) / 1024;
    // The work of all threads: on a busy machine the wall time says more about the others.
    state.counters["cpuMs"] = benchmark::Counter(cpu * 1000, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ExportReviewPdfOfTenImages)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace lumbex
