#include "platform/audio_timeline.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(AudioTimeline, ChunksFollowOnUnlessTheMeasurementPartsFromThem) {
    struct Row {
        const char* name;
        qint64 measured;
        qint64 frames;
        qint64 placed;
    } rows[] = {
        {"the first chunk starts the timeline", 1'000'000, 960, 1'000'000},
        {"jitter is absorbed", 1'020'000 + 15'000, 960, 1'020'000},
        {"early jitter too", 1'040'000 - 19'000, 480, 1'040'000},
        {"exactly on time", 1'050'000, 960, 1'050'000},
        {"lost sound: the timeline jumps", 1'200'000, 960, 1'200'000},
        {"and follows on from there", 1'220'500, 960, 1'220'000},
        {"an earlier measurement never moves a chunk back", 1'240'000 - 25'000, 960, 1'240'000},
        {"nor does a much earlier one", 1'260'000 - 900'000, 960, 1'260'000},
    };
    AudioTimeline timeline;
    for (const Row& row : rows)
        EXPECT_EQ(timeline.place(row.measured, row.frames), row.placed) << row.name;
}

} // namespace
} // namespace lumbex
