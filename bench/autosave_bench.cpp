#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_document.h"
#include "model/note_package.h"
#include "screenshot.h"

#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace lumbex {
namespace {

QString packageWith(const QTemporaryDir& folder, const QString& name,
                    const std::vector<QByteArray>& images) {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    for (const QByteArray& image : images)
        appendImage(contents, image, QStringLiteral("Image"));
    const QString path = folder.filePath(name);
    createNotePackage(contents, path);
    return path;
}

QByteArray tinyImage() {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    return ImageFiles::encode(image, false);
}

// Renames the note and waits for its save to reach the disk, as an autosave after a title edit.
void renameAndSave(benchmark::State& state, const QString& package) {
    const auto document = NoteDocument::open(package);
    int round = 0;
    for (auto _ : state) {
        document->change(QStringLiteral("Rename Note"), [&](CaptureNote& note) {
            note.title = QStringLiteral("Title %1").arg(++round);
        });
        QEventLoop loop;
        document->saveCheckpoint([&](const std::optional<QString>&) { loop.quit(); });
        if (document->isSaving())
            loop.exec();
    }
}

struct Packages {
    QTemporaryDir folder;
    QString small = packageWith(folder, QStringLiteral("Small.capturenote"), {tinyImage()});
    QString large =
        packageWith(folder, QStringLiteral("Large.capturenote"),
                    {bench::screenshotPng(0), bench::screenshotPng(1), bench::screenshotPng(2)});
};

const Packages& packages() {
    static const auto made = std::make_unique<Packages>();
    return *made;
}

void BM_AutosaveOneSmallImage(benchmark::State& state) {
    renameAndSave(state, packages().small);
}
BENCHMARK(BM_AutosaveOneSmallImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_AutosaveThreeScreenshots(benchmark::State& state) {
    renameAndSave(state, packages().large);
}
BENCHMARK(BM_AutosaveThreeScreenshots)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace lumbex
