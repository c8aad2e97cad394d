#include "library/notes_library.h"
#include "library_corpus.h"
#include "run_benchmarks.h"

#include <QGuiApplication>
#include <QTemporaryDir>

namespace lumbex::bench {
namespace {

constexpr int kNotes = 5000;

const std::vector<LibraryEntry>& entries() {
    static const std::vector<LibraryEntry> all = [] {
        const LibraryCorpus corpus;
        std::vector<LibraryEntry> out;
        for (int i = 0; i < kNotes; ++i)
            out.push_back(LibraryEntry::make(corpus.note(i), QStringLiteral("/n/%1").arg(i)));
        return out;
    }();
    return all;
}

// What typing does: fold the query once, keep the entries holding every word.
void filterEntries(benchmark::State& state, const QString& query) {
    const std::vector<LibraryEntry>& all = entries();
    size_t shown = 0;
    for (auto _ : state) {
        const QStringList words = LibraryEntry::queryWords(query);
        std::vector<const LibraryEntry*> matching;
        for (const LibraryEntry& entry : all)
            if (entry.matches(words))
                matching.push_back(&entry);
        shown = matching.size();
        benchmark::DoNotOptimize(matching.data());
    }
    state.counters["shown"] = double(shown);
}

void BM_SearchTwoWords(benchmark::State& state) {
    filterEntries(state, QStringLiteral("login button"));
}
BENCHMARK(BM_SearchTwoWords)->Unit(benchmark::kMillisecond);

void BM_SearchAccentedQuery(benchmark::State& state) {
    filterEntries(state, QStringLiteral("Café RÉSUMÉ"));
}
BENCHMARK(BM_SearchAccentedQuery)->Unit(benchmark::kMillisecond);

void BM_SearchNoMatch(benchmark::State& state) {
    filterEntries(state, QStringLiteral("zebra quokka"));
}
BENCHMARK(BM_SearchNoMatch)->Unit(benchmark::kMillisecond);

// The excerpts of the first screen of results.
void BM_MatchingExcerpts(benchmark::State& state) {
    const std::vector<LibraryEntry>& all = entries();
    for (auto _ : state)
        for (int i = 0; i < 12; ++i)
            benchmark::DoNotOptimize(all[size_t(i)].matchingExcerpt(QStringLiteral("login cafe")));
}
BENCHMARK(BM_MatchingExcerpts)->Unit(benchmark::kMicrosecond);

void BM_MakeEntries(benchmark::State& state) {
    const LibraryCorpus corpus;
    std::vector<CaptureNote> notes;
    for (int i = 0; i < 500; ++i)
        notes.push_back(corpus.note(i));
    for (auto _ : state)
        for (const CaptureNote& note : notes)
            benchmark::DoNotOptimize(LibraryEntry::make(note, QStringLiteral("/n/x")));
    state.SetItemsProcessed(state.iterations() * 500);
}
BENCHMARK(BM_MakeEntries)->Unit(benchmark::kMillisecond);

// Reading a library of 5,000 packages (warm file cache).
void BM_LoadLibrary(benchmark::State& state) {
    QTemporaryDir folder;
    const LibraryCorpus corpus;
    for (int i = 0; i < kNotes; ++i)
        corpus.writePackage(folder.path(), i);
    for (auto _ : state)
        benchmark::DoNotOptimize(NotesLibrary::load(folder.path(), {}).entries.size());
}
BENCHMARK(BM_LoadLibrary)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace lumbex::bench

int main(int argc, char** argv) {
    return lumbex::bench::runBenchmarks<QGuiApplication>(argc, argv);
}
