#pragma once

#include "recognition/reading_crew.h"

#include <optional>

namespace lumbex {

// One text block of a screenshot (see text_blocks.h), or a band of lines of a tall one, cut out
// for the engine: turned dark-on-light and enlarged when its text is small.
struct BlockReading {
    EngineTask task;
    // Where the cut-out area starts, in pixels of the screenshot, and how much it was enlarged.
    QPoint origin;
    double scale = 1;
    // Which block of the screenshot the reading is part of (bands of one block share it).
    int block = 0;
};

// The readings that cover the text of `image`, block by block from the top. Tall blocks are cut
// into bands of a few lines so that several engines can share them. Only blocks that meet
// `interest`, when given, are read.
std::vector<BlockReading> screenTextReadings(const QImage& image,
                                             const std::optional<QRect>& interest = std::nullopt);

// The lines the engine read for `reading`, with boxes in pixels of the screenshot; a line is
// split where its words lie further apart than a space (columns, rows of controls).
std::vector<EngineLine> placedLines(const BlockReading& reading,
                                    const std::vector<EngineLine>& lines);

} // namespace lumbex
