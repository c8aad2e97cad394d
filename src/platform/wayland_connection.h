#pragma once

#include "platform/wayland_output_layout.h"

#include <cstdint>
#include <memory>
#include <vector>

struct wl_display;
struct wl_interface;
struct wl_output;

namespace lumbex {

// A short connection of Lumbex's own to the compositor of this session (WAYLAND_DISPLAY), with
// its outputs read on opening: names and logical geometry from xdg-output where the compositor
// offers it, else from wl_output's position, mode, scale and transform. Blocks for a few round
// trips; any thread.
class WaylandConnection {
public:
    WaylandConnection();
    ~WaylandConnection();
    WaylandConnection(const WaylandConnection&) = delete;
    WaylandConnection& operator=(const WaylandConnection&) = delete;

    // False when there is no compositor to ask, when it failed, or when WAYLAND_SOCKET is set
    // (that inherited connection is the toolkit's to take).
    bool connected() const;
    wl_display* display() const;

    // In the compositor's order.
    const std::vector<WaylandOutput>& outputs() const { return outputs_; }
    wl_output* outputProxy(size_t index) const;

    // Binds the compositor's global of `interface` at its version or `version`, whichever is
    // lower; nullptr when it offers none. The caller destroys the proxy before the connection
    // ends.
    void* bind(const wl_interface* interface, uint32_t version) const;
    // The version bound by `bind` (0 when not offered).
    uint32_t boundVersion(const wl_interface* interface, uint32_t version) const;

private:
    struct State;
    std::unique_ptr<State> state_;
    std::vector<WaylandOutput> outputs_;
};

} // namespace lumbex
