#include "core/dates.h"

#include <chrono>

namespace lumbex {

Date now() {
    using namespace std::chrono;
    const auto sinceEpoch = duration<double>(system_clock::now().time_since_epoch()).count();
    return sinceEpoch - kReferenceDateUnixSeconds;
}

} // namespace lumbex
