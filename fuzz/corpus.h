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

// The seed notes encoded as note.json. Throws std::logic_error when a seed note is not itself
// valid, since mutating it would then test nothing beyond the first check.
std::vector<QByteArray> seedDocuments();

// Every input of the replay corpus: the seed notes encoded as note.json, then mutations of them.
// The same `seed` gives the same inputs in the same order.
void generateCorpus(quint64 seed, const Visit& visit);

} // namespace lumbex::fuzz
