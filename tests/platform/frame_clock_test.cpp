#include "platform/frame_clock.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(FrameClock, TicksStayOnTheirDeadlinesAndLateOnesAreSkipped) {
    const qint64 start = 5'000'000;
    const FrameClock clock(start, 30);
    struct Row {
        const char* name;
        qint64 now;
        qint64 next;
    } rows[] = {
        {"before the start", start - 10, start},
        {"at the start", start, start + 33'334},
        {"just before the second tick", start + 33'333, start + 33'334},
        {"exactly on the second tick", start + 33'334, start + 66'667},
        {"a whole second later, no drift", start + 999'999, start + 1'000'000},
        {"an hour later, no drift", start + 3'600'000'000 - 1, start + 3'600'000'000},
        {"late by several ticks", start + 150'000, start + 166'667},
    };
    for (const Row& row : rows)
        EXPECT_EQ(clock.nextTickAfter(row.now), row.next) << row.name;
}

} // namespace
} // namespace lumbex
