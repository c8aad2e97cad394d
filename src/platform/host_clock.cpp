#include "platform/recording_media.h"

#include <ctime>

namespace lumbex {

qint64 hostClockMicroseconds() {
    // CLOCK_MONOTONIC never jumps with wall-clock changes, so sample times from different
    // sources stay comparable for the whole recording.
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

} // namespace lumbex
