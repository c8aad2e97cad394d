#pragma once

#include <QImage>
#include <QRect>
#include <vector>

namespace lumbex {

// A region of a screenshot that holds text on one background: a terminal, a paragraph, a
// field or a button label.
struct TextBlock {
    QRect rect;
    // Grey levels of the background and of the text's ink.
    int background = 255;
    int ink = 0;
    // Height of the block's taller glyph clusters (about a capital letter): how large the text
    // is, in pixels.
    int glyphHeight = 0;
    // Thin upright strokes much taller than the text (field and button borders): no part of it.
    std::vector<QRect> rules;
};

// Finds text blocks in an 8-bit grey image. Screens are not pages: text sits in many small
// regions of different backgrounds, so each region is found here and read on its own. Long
// straight edges (window and field borders, separators) are not taken for text.
std::vector<TextBlock> findTextBlocks(const QImage& grey);

} // namespace lumbex
