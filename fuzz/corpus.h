#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <random>
#include <vector>

namespace lumbex::fuzz {

// Receives each generated input with a label that says how it was made.
using Visit = std::function<void(const QString& label, const QByteArray& input)>;
using Random = std::mt19937_64;

// Each fuzz target's corpus defines the following, for the replay (replay_main.cpp) and for
// libFuzzer's starting corpus.

// How the replay names the files it writes: "<name>_failure_<n><extension>" for a failing input,
// "seed_<n><extension>" for a seed.
struct TargetFiles {
    QString name;
    QString extension;
};
TargetFiles targetFiles();

// Valid inputs the corpus is mutated from. Throws std::logic_error when one is not itself
// valid, since mutating it would then test nothing beyond the first check.
std::vector<QByteArray> seedInputs();

// Every input of the replay corpus: the seeds, then mutations of them and hostile inputs built
// for the target. The same `seed` gives the same inputs in the same order.
void generateCorpus(quint64 seed, const Visit& visit);

} // namespace lumbex::fuzz
