#include "core/sha256.h"

#include <QCryptographicHash>
#include <benchmark/benchmark.h>
#include <cstring>
#include <random>

namespace lumbex {
namespace {

constexpr qsizetype kSize = qsizetype(64) << 20;

// Incompressible bytes, the size of a large recording segment.
const QByteArray& payload() {
    static const QByteArray bytes = [] {
        QByteArray out(kSize, Qt::Uninitialized);
        std::mt19937_64 random(42);
        for (qsizetype i = 0; i + 8 <= out.size(); i += 8) {
            const quint64 word = random();
            std::memcpy(out.data() + i, &word, sizeof word);
        }
        return out;
    }();
    return bytes;
}

void BM_Sha256HexOpenSsl(benchmark::State& state) {
    const QByteArray& bytes = payload();
    for (auto _ : state)
        benchmark::DoNotOptimize(sha256Hex(bytes));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_Sha256HexOpenSsl)->Unit(benchmark::kMillisecond);

void BM_Sha256QCryptographicHash(benchmark::State& state) {
    const QByteArray& bytes = payload();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_Sha256QCryptographicHash)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace lumbex
