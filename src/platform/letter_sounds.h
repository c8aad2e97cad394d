#pragma once

#include <QString>

namespace lumbex {

// A rough English pronunciation for a word the recogniser's dictionary lacks, in the model's
// phone set ("CH AE T"): spelling rules only, since the packaged recogniser has no
// grapheme-to-phoneme model. Empty when the word has no letters it knows.
QString guessPhones(const QString& lowerCaseWord);

} // namespace lumbex
