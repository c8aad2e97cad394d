#include "recognition/tile_plan.h"

#include <algorithm>

namespace lumbex {
namespace {

constexpr int kLargestSingleWidth = 2560;
constexpr int kLargestSingleHeight = 1536;
constexpr int kCoreWidth = 1536;
constexpr int kCoreHeight = 768;
constexpr int kTileWidth = 2048;
constexpr int kTileHeight = 1024;

} // namespace

bool needsTilePass(QSize imageSize) {
    return imageSize.width() > kLargestSingleWidth || imageSize.height() > kLargestSingleHeight;
}

std::vector<RecognitionTile> recognitionTiles(QSize imageSize) {
    const int w = imageSize.width(), h = imageSize.height();
    const int tileWidth = std::min(w, kTileWidth), tileHeight = std::min(h, kTileHeight);
    const int marginX = (kTileWidth - kCoreWidth) / 2, marginY = (kTileHeight - kCoreHeight) / 2;
    std::vector<RecognitionTile> tiles;
    for (int y = 0; y < h; y += kCoreHeight)
        for (int x = 0; x < w; x += kCoreWidth) {
            const QRect ownership(x, y, std::min(w - x, kCoreWidth), std::min(h - y, kCoreHeight));
            const int tileX = std::max(0, std::min(w - tileWidth, x - marginX));
            const int tileY = std::max(0, std::min(h - tileHeight, y - marginY));
            tiles.push_back({QRect(tileX, tileY, tileWidth, tileHeight), ownership});
        }
    return tiles;
}

} // namespace lumbex
