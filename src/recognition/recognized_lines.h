#pragma once

#include "platform/text_engine.h"
#include "recognition/recognition_result.h"

#include <optional>

namespace lumbex {

// What an engine read in `region` of an image of `imageSize` pixels, as lines normalised to the
// whole image. Without `ownership` every line is kept whole. With it, lines are split into words;
// a word takes its horizontal extent from its own box and its vertical extent from its line's,
// and is kept only when its centre lies inside `ownership` (max edges outside).
std::vector<RecognizedLine> recognizedLines(const std::vector<EngineLine>& lines, QRect region,
                                            QSize imageSize, const std::optional<QRect>& ownership);

// The full pass's lines without those that the tile words replace (a line covering more than
// half of some tile word), followed by all tile words in tile order.
std::vector<RecognizedLine> mergeTileWords(const std::vector<RecognizedLine>& fullPass,
                                           const std::vector<RecognizedLine>& tileWords);

} // namespace lumbex
