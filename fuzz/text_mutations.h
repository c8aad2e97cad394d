#pragma once

#include "fuzz/corpus.h"

namespace lumbex::fuzz {

// Mutations of the document's bytes, blind to its structure.
void truncations(const QString& name, const QByteArray& json, const Visit& visit);
void byteFlips(const QString& name, const QByteArray& json, Random& random, const Visit& visit);
void rangeEdits(const QString& name, const QByteArray& json, Random& random, const Visit& visit);
// The three above together.
void blindMutations(const QString& name, const QByteArray& bytes, Random& random,
                    const Visit& visit);

// Mutations of tokens found in the text: number tokens replaced by ones that are out of range or
// not JSON at all (NaN, Infinity, hexadecimal), and malformed UTF-8 or escapes inside strings.
void numberTokens(const QString& name, const QByteArray& json, Random& random, const Visit& visit);
void stringBytes(const QString& name, const QByteArray& json, Random& random, const Visit& visit);

// Whole documents that are not a note object: empty, scalars, and thousands of nested arrays or
// objects, closed and unclosed.
void oddDocuments(const Visit& visit);

} // namespace lumbex::fuzz
