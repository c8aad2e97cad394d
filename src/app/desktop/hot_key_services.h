#pragma once

#include "platform/hot_keys.h"

#include <memory>

namespace lumbex {

// The global keys of this session: grabs on the X display DISPLAY names when Qt runs on it,
// otherwise keys that say why none can be had. LUMBEX_HOT_KEYS=unavailable forces the latter.
std::unique_ptr<HotKeys> openHotKeys();

} // namespace lumbex
