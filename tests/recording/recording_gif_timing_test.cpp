#include "core/error.h"
#include "recording/recording_gif_timing.h"

#include <gtest/gtest.h>
#include <numeric>

namespace lumbex {
namespace {

const QString kBadRate = QStringLiteral("Choose a GIF frame rate from 1 to 10 fps.");
const QString kTooLong = QStringLiteral(
    "Choose a shorter range for GIF, or export MP4. Your selected range has not been shortened.");

QString refusal(qint64 duration, int fps) {
    try {
        RecordingGIFTiming timing(duration, fps);
        return {};
    } catch (const LumbexError& error) {
        return error.message();
    }
}

TEST(RecordingGIFTiming, RefusesRatesAndRangesOutsideTheLimits) {
    struct Case {
        qint64 duration;
        int fps;
        QString message;
    };
    const std::vector<Case> cases{
        {1'000'000, 0, kBadRate},
        {1'000'000, 11, kBadRate},
        {1'000'000, -1, kBadRate},
        {0, 10, kTooLong},
        {-5, 10, kTooLong},
        {3'600'000'001, 10, kTooLong},
        {36'000'000'001, 1, kTooLong},
        {3'600'000'000, 10, {}},
        {36'000'000'000, 1, {}},
        {1, 10, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.duration << " µs at " << c.fps << " fps");
        EXPECT_EQ(refusal(c.duration, c.fps), c.message);
    }
}

TEST(RecordingGIFTiming, CountsFramesAndShortensOnlyTheLastDelay) {
    struct Case {
        qint64 duration;
        int fps;
        int frames;
        qint64 lastDelay;
    };
    const std::vector<Case> cases{
        {2'050'000, 10, 21, 50'000},
        {2'000'000, 10, 20, 100'000},
        {1, 10, 1, 1},
        {3'600'000'000, 10, 36'000, 100'000},
        {1'000'000, 3, 3, 333'334},
        {999'999, 1, 1, 999'999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.duration << " µs at " << c.fps << " fps");
        const RecordingGIFTiming timing(c.duration, c.fps);
        ASSERT_EQ(timing.frameCount(), c.frames);
        EXPECT_EQ(timing.delay(c.frames - 1), c.lastDelay);
        qint64 total = 0;
        for (int i = 0; i < c.frames; ++i) {
            EXPECT_EQ(timing.time(i), total) << i;
            if (i + 1 < c.frames) {
                EXPECT_NEAR(double(timing.delay(i)), 1e6 / c.fps, 1.0) << i;
            }
            total += timing.delay(i);
        }
        EXPECT_EQ(total, c.duration);
    }
}

TEST(RecordingGIFTiming, SamplesUpToFiveFramesIncludingFirstAndLast) {
    struct Case {
        qint64 duration;
        std::vector<int> indices;
    };
    // At 10 fps: 1, 2, 4, 5, 10 and 21 frames.
    const std::vector<Case> cases{
        {100'000, {0}},
        {200'000, {0, 1}},
        {400'000, {0, 1, 2, 3}},
        {500'000, {0, 1, 2, 3, 4}},
        {1'000'000, {0, 2, 4, 6, 9}},
        {2'050'000, {0, 5, 10, 15, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.duration);
        EXPECT_EQ(RecordingGIFTiming(c.duration, 10).sampleIndices(), c.indices);
    }
}

} // namespace
} // namespace lumbex
