#pragma once

#include "platform/hot_keys.h"

#include <memory>

namespace lumbex {

// The global keys of this session: grabs on the X display DISPLAY names when Qt runs on it, the
// desktop portal's global shortcuts when Qt runs on Wayland and the portal offers them,
// otherwise keys that say why none can be had. LUMBEX_HOT_KEYS=unavailable forces the latter.
std::unique_ptr<HotKeys> openHotKeys();

} // namespace lumbex
