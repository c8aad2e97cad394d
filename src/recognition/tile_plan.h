#pragma once

#include <QRect>
#include <QSize>
#include <vector>

namespace lumbex {

// One window of the tile pass: `region` is read, and of what it finds only the words whose centre
// lies in `ownership` (the tile's core) are kept, so that every word belongs to exactly one tile.
struct RecognitionTile {
    QRect region;
    QRect ownership;

    friend bool operator==(const RecognitionTile&, const RecognitionTile&) = default;
};

// Whether an image of this size is also read in tiles: small text on large screens is lost
// when the whole image is read at once.
bool needsTilePass(QSize imageSize);

// Cores of 1536 × 768 pixels in rows from the top, each read through a window of up to
// 2048 × 1024 that extends it by 256 pixels sideways and 128 up and down, shifted inwards at
// the image's edges.
std::vector<RecognitionTile> recognitionTiles(QSize imageSize);

} // namespace lumbex
