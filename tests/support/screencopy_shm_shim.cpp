// Preloaded into xdg-desktop-portal-wlr by the Wayland test session. Version 0.7 of that backend
// refuses to share a screen unless the compositor also offers DMA-BUF copies, which a compositor
// drawing in software never does, although the shared-memory copies it does offer are all the
// backend then uses. This library repeats every shared-memory offer of a screen copy as a DMA-BUF
// offer of the same format and size, so that the backend goes on with shared memory.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <errno.h>
#include <wayland-client-core.h>

namespace {

// zwlr_screencopy_frame_v1's events, in the protocol's order.
struct FrameListener {
    void (*buffer)(void*, wl_proxy*, uint32_t format, uint32_t width, uint32_t height,
                   uint32_t stride);
    void (*flags)(void*, wl_proxy*, uint32_t flags);
    void (*ready)(void*, wl_proxy*, uint32_t secHi, uint32_t secLo, uint32_t nsec);
    void (*failed)(void*, wl_proxy*);
    void (*damage)(void*, wl_proxy*, uint32_t x, uint32_t y, uint32_t width, uint32_t height);
    void (*linuxDmabuf)(void*, wl_proxy*, uint32_t format, uint32_t width, uint32_t height);
    void (*bufferDone)(void*, wl_proxy*);
};

struct Wrapped {
    const FrameListener* inner;
    void* data;
};

// wl_shm numbers two formats differently from DRM; the others are DRM fourcc codes already.
uint32_t drmFormat(uint32_t shm) {
    const auto fourcc = [](char a, char b, char c, char d) {
        return uint32_t(a) | uint32_t(b) << 8 | uint32_t(c) << 16 | uint32_t(d) << 24;
    };
    if (shm == 0)
        return fourcc('A', 'R', '2', '4');
    if (shm == 1)
        return fourcc('X', 'R', '2', '4');
    return shm;
}

const FrameListener kWrapper = {
    [](void* data, wl_proxy* frame, uint32_t format, uint32_t width, uint32_t height,
       uint32_t stride) {
        const auto* w = static_cast<Wrapped*>(data);
        if (w->inner->buffer)
            w->inner->buffer(w->data, frame, format, width, height, stride);
        if (w->inner->linuxDmabuf)
            w->inner->linuxDmabuf(w->data, frame, drmFormat(format), width, height);
    },
    [](void* data, wl_proxy* frame, uint32_t flags) {
        const auto* w = static_cast<Wrapped*>(data);
        if (w->inner->flags)
            w->inner->flags(w->data, frame, flags);
    },
    [](void* data, wl_proxy* frame, uint32_t secHi, uint32_t secLo, uint32_t nsec) {
        const auto* w = static_cast<Wrapped*>(data);
        if (w->inner->ready)
            w->inner->ready(w->data, frame, secHi, secLo, nsec);
    },
    [](void* data, wl_proxy* frame) {
        const auto* w = static_cast<Wrapped*>(data);
        if (w->inner->failed)
            w->inner->failed(w->data, frame);
    },
    [](void* data, wl_proxy* frame, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
        const auto* w = static_cast<Wrapped*>(data);
        if (w->inner->damage)
            w->inner->damage(w->data, frame, x, y, width, height);
    },
    [](void* data, wl_proxy* frame, uint32_t format, uint32_t width, uint32_t height) {
        const auto* w = static_cast<Wrapped*>(data);
        if (w->inner->linuxDmabuf)
            w->inner->linuxDmabuf(w->data, frame, format, width, height);
    },
    [](void* data, wl_proxy* frame) {
        const auto* w = static_cast<Wrapped*>(data);
        if (w->inner->bufferDone)
            w->inner->bufferDone(w->data, frame);
    },
};

} // namespace

// The backend runs grim for screenshots, which must not inherit this library; the programs that
// start the backend (setpriv) pass it on.
[[gnu::constructor]] static void keepToThisProcess() {
    if (std::strcmp(program_invocation_short_name, "xdg-desktop-portal-wlr") == 0)
        unsetenv("LD_PRELOAD");
}

extern "C" int wl_proxy_add_listener(wl_proxy* proxy, void (**implementation)(void), void* data) {
    using AddListener = int (*)(wl_proxy*, void (**)(void), void*);
    static const auto real =
        reinterpret_cast<AddListener>(dlsym(RTLD_NEXT, "wl_proxy_add_listener"));
    // Only frames bound at version 3, whose listeners have the DMA-BUF event.
    if (std::strcmp(wl_proxy_get_class(proxy), "zwlr_screencopy_frame_v1") != 0 ||
        wl_proxy_get_version(proxy) < 3)
        return real(proxy, implementation, data);
    // One per screen copy, for the test session's short life.
    auto* wrapped = new Wrapped{reinterpret_cast<const FrameListener*>(implementation), data};
    return real(proxy, reinterpret_cast<void (**)(void)>(const_cast<FrameListener*>(&kWrapper)),
                wrapped);
}
