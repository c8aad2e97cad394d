#pragma once

#include "recognition/reading_crew.h"
#include "recognition/recognition_result.h"

namespace lumbex {

// The two ways of reading text: the whole image at once, and for large images also the tiles of
// tile_plan.h. Both return lines normalised to the whole image.

// The full pass alone: one line per line the engine reads.
std::vector<RecognizedLine> readFullImage(ReadingCrew& crew, const QImage& image);

// The full pass, and for images larger than 2560 × 1536 the tile pass merged into it: one line
// per word for the words each tile owns. Both passes go to the crew as one batch.
std::vector<RecognizedLine> readImageText(ReadingCrew& crew, const QImage& image);

} // namespace lumbex
