#include "app/library_ui/library_previews.h"
#include "app/library_ui/library_table_model.h"
#include "app/library_ui/notes_library_controller.h"
#include "library_corpus.h"
#include "run_benchmarks.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

namespace lumbex::bench {
namespace {

// From present() to a window showing its first rows with every visible preview drawn, for a
// library of 5,000 notes read from disk (warm file cache) by a new window each time.
void BM_WindowFirstScreen(benchmark::State& state) {
    QTemporaryDir folder;
    const LibraryCorpus corpus;
    for (int i = 0; i < 5000; ++i)
        corpus.writePackage(folder.path(), i);
    for (auto _ : state) {
        NotesLibraryController window(folder.path(), {});
        QElapsedTimer timer;
        timer.start();
        window.present();
        const LibraryTableModel& model = window.model();
        const auto ready = [&] {
            if (window.isLoading() || model.rowCount() == 0)
                return false;
            const int last = window.table().rowAt(window.table().viewport()->height() - 1);
            for (int row = 0; row <= (last < 0 ? model.rowCount() - 1 : last); ++row)
                if (model.data(model.index(row, LibraryTableModel::PreviewColumn), Qt::DisplayRole)
                        .toString() == QStringLiteral("Preparing preview…"))
                    return false;
            return true;
        };
        while (!ready() && timer.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        state.counters["rows"] = model.rowCount();
        state.counters["previews"] = window.previews().renderedCount();
    }
}
BENCHMARK(BM_WindowFirstScreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// One keystroke in the search field of a window listing 5,000 notes: filtering, the table's
// reset and the labels, all on the GUI thread (the goal is a frame, 16 ms).
void BM_WindowTyping(benchmark::State& state) {
    QTemporaryDir folder;
    const LibraryCorpus corpus;
    for (int i = 0; i < 5000; ++i)
        corpus.writePackage(folder.path(), i);
    NotesLibraryController window(folder.path(), {});
    window.present();
    while (window.isLoading())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const QStringList keystrokes = {QStringLiteral("l"),           QStringLiteral("lo"),
                                    QStringLiteral("log"),         QStringLiteral("login"),
                                    QStringLiteral("login b"),     QStringLiteral("login butt"),
                                    QStringLiteral("login button")};
    qsizetype next = 0;
    for (auto _ : state) {
        window.search().setText(keystrokes[next]);
        next = (next + 1) % keystrokes.size();
    }
    state.counters["rows"] = window.model().rowCount();
}
BENCHMARK(BM_WindowTyping)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumbex::bench

int main(int argc, char** argv) {
    return lumbex::bench::runBenchmarks<QApplication>(argc, argv);
}
