#pragma once

#include <QtGlobal>

namespace lumbex {

// Absolute tick deadlines at a fixed rate from a start time, so that rounding never drifts: a
// caller that falls behind skips the ticks it missed instead of catching up in a burst.
class FrameClock {
public:
    FrameClock(qint64 start, int ticksPerSecond) : start_(start), rate_(ticksPerSecond) {}

    // The first tick after `now`.
    qint64 nextTickAfter(qint64 now) const {
        const qint64 elapsed = now - start_;
        const qint64 index = elapsed < 0 ? 0 : elapsed * rate_ / 1'000'000 + 1;
        return tickTime(index);
    }

private:
    qint64 tickTime(qint64 index) const { return start_ + (index * 1'000'000 + rate_ - 1) / rate_; }

    qint64 start_;
    qint64 rate_;
};

} // namespace lumbex
