#include "model/note_fixtures.h"
#include "recording/recording_output_size.h"

#include <gtest/gtest.h>
#include <limits>

namespace lumbex {
namespace {

TEST(RecordingOutputSize, ScalesDownToTheLongestSideAndNeverUp) {
    const struct {
        double width, height;
        std::optional<int> longestSide;
        bool even;
        int expectedWidth, expectedHeight;
        double expectedScale;
    } cases[] = {
        {2880, 1800, 960, true, 960, 600, 1.0 / 3},
        {2880, 1800, 1000, true, 1000, 624, 624.0 / 1800}, // 625 rounded down to even
        {2880, 1800, 1000, false, 1000, 625, 1000.0 / 2880},
        {1920, 1080, std::nullopt, true, 1920, 1080, 1},
        {1920, 1080, 4000, true, 1920, 1080, 1}, // never enlarged
        {101, 61, std::nullopt, true, 100, 60, 60.0 / 61},
        {101, 61, std::nullopt, false, 101, 61, 1},
        {1000, 3, 100, true, 100, 2, 0.1}, // a side never falls below 2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " at "
                                        << c.longestSide.value_or(0) << (c.even ? " even" : ""));
        const RecordingOutputSize size =
            RecordingOutputSize::make(c.width, c.height, c.longestSide, c.even);
        EXPECT_EQ(size.width, c.expectedWidth);
        EXPECT_EQ(size.height, c.expectedHeight);
        EXPECT_DOUBLE_EQ(size.scale, c.expectedScale);
    }
}

TEST(RecordingOutputSize, RefusesSourcesAndLimitsTooSmallOrNotFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double width, height;
        std::optional<int> longestSide;
    } cases[] = {
        {1, 500, std::nullopt}, {500, 1, std::nullopt}, {nan, 500, std::nullopt},
        {500, infinity, 960},   {1920, 1080, 1},        {1920, 1080, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        EXPECT_EQ(test::thrownMessage(
                      [&] { RecordingOutputSize::make(c.width, c.height, c.longestSide, true); }),
                  "Choose a valid video output size.");
    }
}

} // namespace
} // namespace lumbex
