#include "platform/recording_media.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace lumbex {
namespace {

qint64 steadyMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Samples from different sources are only comparable when every source reads the same monotonic
// clock in the same unit.
TEST(HostClock, ReadsTheMonotonicClockInMicroseconds) {
    const qint64 before = steadyMicroseconds();
    const qint64 first = hostClockMicroseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const qint64 second = hostClockMicroseconds();
    const qint64 after = steadyMicroseconds();

    EXPECT_GE(first, before);
    EXPECT_LE(second, after);
    EXPECT_GE(second - first, 50'000);
    EXPECT_LT(second - first, 1'000'000);
}

} // namespace
} // namespace lumbex
