#include "platform/recording_media.h"

#include <ctime>

namespace lumbex {

qint64 hostClockMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

} // namespace lumbex
