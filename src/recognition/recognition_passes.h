#pragma once

#include "platform/text_engine.h"
#include "recognition/recognition_result.h"

#include <functional>

namespace lumbex {

// The two ways of reading text: the whole image at once, and for large images the tiles of
// tile_plan.h. Both return lines normalised to the whole image.

// One line per line the engine reads.
std::vector<RecognizedLine> readFullImage(TextEngine& engine, const QImage& image);

// One line per word, each from the tile that owns its centre, in tile order. `checkCancelled`
// runs before each tile and throws to stop; a tile that cannot be cut out is skipped.
std::vector<RecognizedLine> readTiles(TextEngine& engine, const QImage& image,
                                      const std::function<void()>& checkCancelled);

} // namespace lumbex
