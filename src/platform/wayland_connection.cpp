#include "platform/wayland_connection.h"

#include "xdg-output-unstable-v1-client-protocol.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <wayland-client.h>

namespace lumbex {
namespace {

struct Output {
    wl_output* output = nullptr;
    uint32_t version = 0;
    zxdg_output_v1* xdg = nullptr;
    // From wl_output.
    QString name;
    QPoint position;
    QSize mode;
    int scale = 1;
    int transform = 0;
    // From xdg-output, when it says.
    QString xdgName;
    std::optional<QPoint> logicalPosition;
    std::optional<QSize> logicalSize;
};

struct Global {
    std::string interface;
    uint32_t name = 0;
    uint32_t version = 0;
};

void outputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t,
                    const char*, const char*, int32_t transform) {
    auto* o = static_cast<Output*>(data);
    o->position = QPoint(x, y);
    o->transform = transform;
}

void outputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    if (flags & WL_OUTPUT_MODE_CURRENT)
        static_cast<Output*>(data)->mode = QSize(width, height);
}

void outputDone(void*, wl_output*) {}

void outputScale(void* data, wl_output*, int32_t factor) {
    static_cast<Output*>(data)->scale = factor;
}

void outputName(void* data, wl_output*, const char* name) {
    static_cast<Output*>(data)->name = QString::fromUtf8(name);
}

void outputDescription(void*, wl_output*, const char*) {}

const wl_output_listener outputListener = {outputGeometry, outputMode, outputDone,
                                           outputScale,    outputName, outputDescription};

void xdgPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
    static_cast<Output*>(data)->logicalPosition = QPoint(x, y);
}

void xdgSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
    static_cast<Output*>(data)->logicalSize = QSize(width, height);
}

void xdgDone(void*, zxdg_output_v1*) {}

void xdgName(void* data, zxdg_output_v1*, const char* name) {
    static_cast<Output*>(data)->xdgName = QString::fromUtf8(name);
}

void xdgDescription(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener xdgListener = {xdgPosition, xdgSize, xdgDone, xdgName,
                                             xdgDescription};

WaylandOutput described(const Output& o) {
    WaylandOutput out;
    out.name = o.xdgName.isEmpty() ? o.name : o.xdgName;
    out.rotation = outputRotation(o.transform);
    out.scale = o.scale;
    out.transform = o.transform;
    if (o.logicalPosition && o.logicalSize)
        out.logical = QRect(*o.logicalPosition, *o.logicalSize);
    else
        out.logical = outputLogicalRect(o.position, o.mode, o.scale, o.transform);
    return out;
}

} // namespace

struct WaylandConnection::State {
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    std::vector<Global> globals;
    std::vector<std::unique_ptr<Output>> outputs;
    zxdg_output_manager_v1* manager = nullptr;

    const Global* find(const char* interface) const {
        for (const Global& g : globals)
            if (g.interface == interface)
                return &g;
        return nullptr;
    }

    static void global(void* data, wl_registry*, uint32_t id, const char* interface,
                       uint32_t version) {
        static_cast<State*>(data)->globals.push_back({interface, id, version});
    }
    static void globalRemove(void*, wl_registry*, uint32_t) {}
    static constexpr wl_registry_listener listener = {global, globalRemove};
};

WaylandConnection::WaylandConnection() : state_(std::make_unique<State>()) {
    if (qEnvironmentVariableIsSet("WAYLAND_SOCKET"))
        return;
    State& s = *state_;
    s.display = wl_display_connect(nullptr);
    if (!s.display)
        return;
    s.registry = wl_display_get_registry(s.display);
    wl_registry_add_listener(s.registry, &State::listener, &s);
    if (wl_display_roundtrip(s.display) < 0)
        return;
    for (const Global& g : s.globals) {
        if (g.interface == wl_output_interface.name) {
            auto output = std::make_unique<Output>();
            output->version = std::min(g.version, 4u);
            output->output = static_cast<wl_output*>(
                wl_registry_bind(s.registry, g.name, &wl_output_interface, output->version));
            wl_output_add_listener(output->output, &outputListener, output.get());
            s.outputs.push_back(std::move(output));
        } else if (g.interface == zxdg_output_manager_v1_interface.name && !s.manager) {
            s.manager = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
                s.registry, g.name, &zxdg_output_manager_v1_interface, std::min(g.version, 3u)));
        }
    }
    // The outputs' own events, then what xdg-output says of them.
    if (wl_display_roundtrip(s.display) < 0)
        return;
    if (s.manager) {
        for (const std::unique_ptr<Output>& o : s.outputs) {
            o->xdg = zxdg_output_manager_v1_get_xdg_output(s.manager, o->output);
            zxdg_output_v1_add_listener(o->xdg, &xdgListener, o.get());
        }
        if (wl_display_roundtrip(s.display) < 0)
            return;
    }
    for (const std::unique_ptr<Output>& o : s.outputs)
        outputs_.push_back(described(*o));
}

WaylandConnection::~WaylandConnection() {
    State& s = *state_;
    if (!s.display)
        return;
    for (const std::unique_ptr<Output>& o : s.outputs) {
        if (o->xdg)
            zxdg_output_v1_destroy(o->xdg);
        if (o->version >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(o->output);
        else
            wl_output_destroy(o->output);
    }
    if (s.manager)
        zxdg_output_manager_v1_destroy(s.manager);
    if (s.registry)
        wl_registry_destroy(s.registry);
    wl_display_disconnect(s.display);
}

bool WaylandConnection::connected() const {
    return state_->display && wl_display_get_error(state_->display) == 0 &&
           outputs_.size() == state_->outputs.size() && !state_->outputs.empty();
}

wl_display* WaylandConnection::display() const {
    return state_->display;
}

wl_output* WaylandConnection::outputProxy(size_t index) const {
    return index < state_->outputs.size() ? state_->outputs[index]->output : nullptr;
}

uint32_t WaylandConnection::boundVersion(const wl_interface* interface, uint32_t version) const {
    const Global* g = state_->find(interface->name);
    return g ? std::min(g->version, version) : 0;
}

void* WaylandConnection::bind(const wl_interface* interface, uint32_t version) const {
    const Global* g = state_->find(interface->name);
    if (!g || !state_->registry)
        return nullptr;
    return wl_registry_bind(state_->registry, g->name, interface, std::min(g->version, version));
}

} // namespace lumbex
