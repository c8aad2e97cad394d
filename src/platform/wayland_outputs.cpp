#include "platform/wayland_outputs.h"

#include "xdg-output-unstable-v1-client-protocol.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
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

struct Registry {
    std::vector<std::unique_ptr<Output>> outputs;
    zxdg_output_manager_v1* manager = nullptr;
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

void global(void* data, wl_registry* registry, uint32_t id, const char* interface,
            uint32_t version) {
    auto* r = static_cast<Registry*>(data);
    if (std::strcmp(interface, wl_output_interface.name) == 0) {
        auto output = std::make_unique<Output>();
        output->version = std::min(version, 4u);
        output->output = static_cast<wl_output*>(
            wl_registry_bind(registry, id, &wl_output_interface, output->version));
        wl_output_add_listener(output->output, &outputListener, output.get());
        r->outputs.push_back(std::move(output));
    } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0 && !r->manager) {
        r->manager = static_cast<zxdg_output_manager_v1*>(wl_registry_bind(
            registry, id, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
    }
}

void globalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener registryListener = {global, globalRemove};

// Releases every proxy, then the connection.
void disconnect(wl_display* display, wl_registry* registry, Registry& r) {
    for (const std::unique_ptr<Output>& o : r.outputs) {
        if (o->xdg)
            zxdg_output_v1_destroy(o->xdg);
        if (o->version >= WL_OUTPUT_RELEASE_SINCE_VERSION)
            wl_output_release(o->output);
        else
            wl_output_destroy(o->output);
    }
    if (r.manager)
        zxdg_output_manager_v1_destroy(r.manager);
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
}

WaylandOutput described(const Output& o) {
    WaylandOutput out;
    out.name = o.xdgName.isEmpty() ? o.name : o.xdgName;
    out.rotation = outputRotation(o.transform);
    if (o.logicalPosition && o.logicalSize)
        out.logical = QRect(*o.logicalPosition, *o.logicalSize);
    else
        out.logical = outputLogicalRect(o.position, o.mode, o.scale, o.transform);
    return out;
}

} // namespace

std::vector<WaylandOutput> readWaylandOutputs() {
    if (qEnvironmentVariableIsSet("WAYLAND_SOCKET"))
        return {};
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return {};
    Registry r;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, &r);
    // The globals, then the outputs' own events.
    bool ok = wl_display_roundtrip(display) >= 0 && wl_display_roundtrip(display) >= 0;
    if (ok && r.manager) {
        for (const std::unique_ptr<Output>& o : r.outputs) {
            o->xdg = zxdg_output_manager_v1_get_xdg_output(r.manager, o->output);
            zxdg_output_v1_add_listener(o->xdg, &xdgListener, o.get());
        }
        ok = wl_display_roundtrip(display) >= 0;
    }
    std::vector<WaylandOutput> outputs;
    if (ok)
        for (const std::unique_ptr<Output>& o : r.outputs)
            outputs.push_back(described(*o));
    disconnect(display, registry, r);
    return outputs;
}

} // namespace lumbex
