// Opening a note until its first image is on the screen: three 2880 × 1800 screenshots against a
// note with one tiny image, measured in the same run. Each iteration opens the saved package,
// builds the editor window, shows it and paints the canvas once.
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "canvas/canvas_view.h"
#include "model/note_document.h"
#include "model/note_package.h"
#include "screenshot.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace lumbex {
namespace {

QByteArray tinyPng() {
    QImage image(32, 20, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void BM_OpenNoteUntilFirstImageIsShown(benchmark::State& state) {
    const int images = int(state.range(0));
    QTemporaryDir folder;
    const QString package = folder.filePath(QStringLiteral("Bench.capturenote"));
    {
        std::unique_ptr<NoteDocument> document =
            NoteDocument::fromImageData(images == 0 ? tinyPng() : bench::screenshotPng(1),
                                        QStringLiteral("First"), folder.path());
        for (int i = 1; i < images; ++i)
            document->appendImage(bench::screenshotPng(i + 1), QStringLiteral("More"), false);
        createNotePackage(document->contents(), package);
    }
    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ClipboardWatch clipboard;
    for (auto _ : state) {
        auto* window = new EditorWindow(NoteDocument::open(package), settings, clipboard);
        window->show();
        QCoreApplication::processEvents();
        const QImage painted = window->canvas().viewport()->grab().toImage();
        benchmark::DoNotOptimize(painted.constBits());
        state.PauseTiming();
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    state.SetLabel(images == 0 ? "one 32 × 20 image" : "three 2880 × 1800 images");
}
BENCHMARK(BM_OpenNoteUntilFirstImageIsShown)
    ->Arg(0)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
} // namespace lumbex
