#include "canvas/rendering.h"
#include "core/files.h"
#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "request/handoff.h"
#include "request/request_plan.h"
#include "screenshot.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace lumbex {
namespace {

// A note with three 2880 × 1800 screenshots and 20 marks spread over them, saved as a package.
struct BenchNote {
    QTemporaryDir folder;
    QString package = folder.filePath(QStringLiteral("Bench.capturenote"));
    QString project = folder.filePath(QStringLiteral("project"));

    BenchNote() {
        NotePackageContents contents;
        contents.note = CaptureNote::make();
        for (int i = 0; i < 3; ++i)
            appendImage(contents, bench::screenshotPng(i), QStringLiteral("Screen %1").arg(i + 1));
        const std::array kinds{MarkKind::Pointer, MarkKind::Arrow, MarkKind::Rectangle,
                               MarkKind::Text, MarkKind::Highlight};
        for (int i = 0; i < 20; ++i) {
            Mark mark;
            mark.id = newId();
            mark.mediaID = contents.note.media[size_t(i) % 3].id;
            mark.kind = i == 3 ? MarkKind::Redact : kinds[size_t(i) % kinds.size()];
            mark.start = {200.0 + 110 * i, 150.0 + 70 * i};
            mark.end = mark.start + Point{260, 120};
            mark.text = QStringLiteral("This label is cut off");
            contents.note.marks.push_back(mark);
            LinkedNote linked = LinkedNote::make();
            linked.markID = mark.id;
            linked.body = QStringLiteral("Note %1").arg(i + 1);
            contents.note.notes.push_back(linked);
        }
        for (Media& media : contents.note.media)
            media.includeInRequest = true;
        contents.note.schemaVersion = 5;
        createNotePackage(contents, package);
        QDir().mkpath(project);
    }
};

const BenchNote& benchNote() {
    static const auto note = std::make_unique<BenchNote>();
    return *note;
}

// `lumbex handoff`: read the package, plan, render the three images in parallel, write, verify.
void BM_Handoff(benchmark::State& state) {
    const BenchNote& bench = benchNote();
    for (auto _ : state) {
        const NotePackageContents contents = readNotePackage(bench.package);
        const RequestPlan plan = RequestPlan::build(contents.note, contents.note.media.front().id);
        benchmark::DoNotOptimize(Handoff::prepare(plan, contents.originals, bench.project));
    }
}
BENCHMARK(BM_Handoff)->Unit(benchmark::kMillisecond)->UseRealTime();

// Three `lumbex render` runs: each reads the package, renders one image and writes the PNG.
void BM_ThreeRenders(benchmark::State& state) {
    const BenchNote& bench = benchNote();
    for (auto _ : state) {
        for (int i = 0; i < 3; ++i) {
            const NotePackageContents contents = readNotePackage(bench.package);
            const Media& media = contents.note.media[size_t(i)];
            const QImage image =
                Rendering::render(contents.note, media, contents.originals.at(media.id), false, {});
            writeFileAtomically(bench.folder.filePath(QStringLiteral("render.png")),
                                ImageFiles::encode(image, false));
        }
    }
}
BENCHMARK(BM_ThreeRenders)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace lumbex
