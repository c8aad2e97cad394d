#include "platform/wayland_outputs.h"

#include "platform/wayland_connection.h"

namespace lumbex {

std::vector<WaylandOutput> readWaylandOutputs() {
    const WaylandConnection connection;
    return connection.connected() ? connection.outputs() : std::vector<WaylandOutput>{};
}

} // namespace lumbex
