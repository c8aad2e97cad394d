#pragma once

#include "platform/wayland_output_layout.h"

#include <vector>

namespace lumbex {

// Asks the Wayland compositor of this session (WAYLAND_DISPLAY) for its outputs over a short
// connection of its own: names and logical geometry from xdg-output where the compositor offers
// it, else from wl_output's position, mode, scale and transform. Blocks for a few round trips;
// any thread. Empty when there is no compositor to ask, when it fails, or when WAYLAND_SOCKET is
// set (that inherited connection is the toolkit's to take).
std::vector<WaylandOutput> readWaylandOutputs();

} // namespace lumbex
