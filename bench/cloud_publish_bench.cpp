#include "canvas/rendering.h"
#include "cloud/cloud_files.h"
#include "cloud/cloud_store.h"
#include "cloud/prepared_revision.h"
#include "core/files.h"
#include "model/image_files.h"
#include "screenshot.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Publishing a note with three 2880 × 1800 marked screenshots into a sync folder, against
// rendering their three reader PNGs alone; and republishing the unchanged note.
namespace lumbex {
namespace {

// Three screenshots of different content, each with marks of every kind.
const CloudSnapshotInput& threeImages() {
    static const CloudSnapshotInput input = [] {
        CloudSnapshotInput in;
        in.note = CaptureNote::make();
        in.note.title = QStringLiteral("Settings dialog at 125 %");
        for (int seed = 1; seed <= 3; ++seed) {
            const QByteArray png = bench::screenshotPng(seed);
            Media media;
            media.id = newId();
            media.width = bench::kWidth;
            media.height = bench::kHeight;
            media.sha256 = ImageFiles::hash(png);
            in.note.media.push_back(media);
            in.originals.emplace(media.id, png);
            for (int i = 0; i < 12; ++i) {
                Mark mark;
                mark.id = newId();
                mark.mediaID = media.id;
                mark.kind =
                    i < 2 ? MarkKind::Redact : (i % 3 ? MarkKind::Rectangle : MarkKind::Arrow);
                mark.start = {100.0 + 180 * i, 120.0 + 110 * i};
                mark.end = mark.start + Point{260, 150};
                mark.color = QStringLiteral("red");
                in.note.marks.push_back(mark);
            }
        }
        return in;
    }();
    return input;
}

void BM_RenderThreeReaderPngs(benchmark::State& state) {
    const CloudSnapshotInput& input = threeImages();
    for (auto _ : state)
        for (const Media& media : input.note.media)
            benchmark::DoNotOptimize(ImageFiles::encode(
                Rendering::render(input.note, media, input.originals.at(media.id), false,
                                  std::nullopt),
                false));
}
BENCHMARK(BM_RenderThreeReaderPngs)->Unit(benchmark::kMillisecond)->UseRealTime();

// Prepare (originals, metadata, reader PDF and PNGs into the staging queue) and publish into an
// empty sync folder.
void BM_PrepareAndPublish(benchmark::State& state) {
    const CloudSnapshotInput& input = threeImages();
    const ReaderFileWriters writers = standardReaderWriters();
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir folder;
        makeFolders(folder.path() + QStringLiteral("/Sync/.stfolder"));
        state.ResumeTiming();
        const PreparedCloudRevision prepared = PreparedCloudRevision::prepare(
            input, false, folder.path() + QStringLiteral("/Queue"), writers);
        benchmark::DoNotOptimize(
            CloudStore::publish(prepared, folder.path() + QStringLiteral("/Sync"), std::nullopt));
        state.PauseTiming();
        folder.remove();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PrepareAndPublish)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same note again after a publication: the queued revision and every file in the sync folder
// verify from their remembered digests.
void BM_RepublishUnchanged(benchmark::State& state) {
    const CloudSnapshotInput& input = threeImages();
    const ReaderFileWriters writers = standardReaderWriters();
    QTemporaryDir folder;
    const QString queue = folder.path() + QStringLiteral("/Queue");
    const QString sync = folder.path() + QStringLiteral("/Sync");
    makeFolders(sync + QStringLiteral("/.stfolder"));
    const CloudReceipt receipt = CloudStore::publish(
        PreparedCloudRevision::prepare(input, false, queue, writers), sync, std::nullopt);
    for (auto _ : state) {
        const PreparedCloudRevision prepared =
            PreparedCloudRevision::prepare(input, false, queue, writers);
        benchmark::DoNotOptimize(CloudStore::publish(prepared, sync, receipt));
    }
}
BENCHMARK(BM_RepublishUnchanged)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace lumbex
