#pragma once

#include "fuzz/corpus.h"

namespace lumbex::fuzz {

// Mutations of the parsed document, one value at a time: every value replaced by one of each
// JSON type, every key and array element removed, and every number replaced by extreme,
// negative, fractional and out-of-range values.
void valueSwaps(const QString& name, const QByteArray& json, const Visit& visit);

// Values no JSON writer produces, placed at fields that exist in the document: nesting thousands
// deep, a 10 MB string, NaN, Infinity and numbers beyond a double's range.
void rawValues(const QString& name, const QByteArray& json, const Visit& visit);

// The corpus of a JSON target: odd documents, then each seed with every text and value mutation.
void jsonCorpus(const std::vector<QByteArray>& seeds, quint64 seed, const Visit& visit);

} // namespace lumbex::fuzz
