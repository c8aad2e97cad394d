#include "core/error.h"
#include "core/sha256.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "screenshot.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace lumbex {
namespace {

constexpr int kImageCount = 3;

struct BenchPackage {
    QTemporaryDir folder;
    QString path;
    QStringList imageFiles;
    qint64 imageBytes = 0;
};

std::unique_ptr<BenchPackage> buildPackage() {
    auto package = std::make_unique<BenchPackage>();
    if (!package->folder.isValid())
        throw LumbexError(QStringLiteral("Could not create a temporary folder."));
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    for (int i = 0; i < kImageCount; ++i)
        appendImage(contents, bench::screenshotPng(i), QStringLiteral("Screenshot %1").arg(i + 1));
    package->path = package->folder.filePath(QStringLiteral("Bench.capturenote"));
    createNotePackage(contents, package->path);
    for (const Media& media : contents.note.media) {
        package->imageFiles
            << QDir(package->path).filePath(PackageLayout::assets + u'/' + media.filename());
        package->imageBytes += contents.originals.at(media.id).size();
    }
    return package;
}

const BenchPackage& benchPackage() {
    static const std::unique_ptr<BenchPackage> package = buildPackage();
    return *package;
}

void BM_NoteCheck(benchmark::State& state) {
    const QString& path = benchPackage().path;
    for (auto _ : state)
        benchmark::DoNotOptimize(readNotePackage(path));
    state.SetBytesProcessed(state.iterations() * benchPackage().imageBytes);
}
BENCHMARK(BM_NoteCheck)->Unit(benchmark::kMillisecond);

// The least any check must do: read, hash, read the header and decode each image once.
void BM_Baseline(benchmark::State& state) {
    const QStringList& files = benchPackage().imageFiles;
    for (auto _ : state) {
        for (const QString& path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                state.SkipWithError("cannot open an image file");
            QByteArray bytes = file.readAll();
            benchmark::DoNotOptimize(sha256Hex(bytes));
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            QImageReader reader(&buffer);
            benchmark::DoNotOptimize(reader.size());
            benchmark::DoNotOptimize(reader.read());
        }
    }
    state.SetBytesProcessed(state.iterations() * benchPackage().imageBytes);
}
BENCHMARK(BM_Baseline)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumbex
