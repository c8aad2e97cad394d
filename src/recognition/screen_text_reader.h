#pragma once

#include "platform/text_engine.h"

#include <optional>

namespace lumbex {

// Reads the text of a screenshot through `engine`: every text block (see text_blocks.h) is cut
// out, turned dark-on-light, enlarged when its text is small, and read as one block. The lines
// come back with boxes in pixels of `image`, block by block from the top. Only blocks that meet
// `interest`, when given, are read. Throws what the engine throws.
std::vector<EngineLine> readScreenText(TextEngine& engine, const QImage& image,
                                       const std::optional<QRect>& interest = std::nullopt);

} // namespace lumbex
