#include "recognition/tile_plan.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(TilePlanTest, OnlyImagesLargerThan2560By1536AreTiled) {
    EXPECT_FALSE(needsTilePass({2560, 1536}));
    EXPECT_FALSE(needsTilePass({1, 1}));
    EXPECT_TRUE(needsTilePass({2561, 100}));
    EXPECT_TRUE(needsTilePass({100, 1537}));
}

TEST(TilePlanTest, ShiftsTilesInwardsAtTheEdges) {
    // 3000 × 800: rows at y 0 and 768, columns at x 0 and 1536; all tiles 2048 × 800 at y 0.
    const std::vector<RecognitionTile> expected = {
        {QRect(0, 0, 2048, 800), QRect(0, 0, 1536, 768)},
        {QRect(952, 0, 2048, 800), QRect(1536, 0, 1464, 768)},
        {QRect(0, 0, 2048, 800), QRect(0, 768, 1536, 32)},
        {QRect(952, 0, 2048, 800), QRect(1536, 768, 1464, 32)},
    };
    EXPECT_EQ(recognitionTiles({3000, 800}), expected);
}

TEST(TilePlanTest, InnerTilesExtendTheirCoreOnEverySide) {
    const std::vector<RecognitionTile> tiles = recognitionTiles({5000, 3000});
    // Second row, second column.
    const RecognitionTile& inner = tiles[4 + 1];
    EXPECT_EQ(inner.ownership, QRect(1536, 768, 1536, 768));
    EXPECT_EQ(inner.region, QRect(1280, 640, 2048, 1024));
}

TEST(TilePlanTest, CoresCoverEveryPixelExactlyOnceAndLieInTheirTile) {
    for (const QSize size :
         {QSize(3840, 2160), QSize(2561, 100), QSize(100, 1537), QSize(7000, 4000)}) {
        std::vector<int> owners(size_t(size.width()) * size.height());
        for (const RecognitionTile& tile : recognitionTiles(size)) {
            EXPECT_TRUE(tile.region.contains(tile.ownership)) << size.width();
            EXPECT_TRUE(QRect(QPoint(0, 0), size).contains(tile.region)) << size.width();
            for (int y = tile.ownership.top(); y <= tile.ownership.bottom(); ++y)
                for (int x = tile.ownership.left(); x <= tile.ownership.right(); ++x)
                    ++owners[size_t(y) * size.width() + x];
        }
        EXPECT_EQ(std::count(owners.begin(), owners.end(), 1), qsizetype(owners.size()))
            << size.width() << " × " << size.height();
    }
}

} // namespace
} // namespace lumbex
