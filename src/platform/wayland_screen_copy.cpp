#include "platform/wayland_screen_copy.h"

#include "platform/screen_copy_pixels.h"
#include "platform/wayland_connection.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace lumbex {
namespace {

// A compositor draws a frame within a few refreshes; one that takes longer has stalled.
constexpr int kCopyTimeoutMs = 2000;
constexpr qint64 kMostBufferBytes = qint64(32768) * 32768 * 4;

struct Frame {
    zwlr_screencopy_frame_v1* frame = nullptr;
    // The first shared-memory offer in a format we read.
    std::optional<CopiedBuffer> offer;
    bool offersDone = false;
    bool yInverted = false;
    enum class State { Waiting, Ready, Failed } state = State::Waiting;
    int transform = 0;
    wl_buffer* buffer = nullptr;
    void* memory = MAP_FAILED;
    size_t bytes = 0;

    ~Frame() {
        if (buffer)
            wl_buffer_destroy(buffer);
        if (frame)
            zwlr_screencopy_frame_v1_destroy(frame);
        if (memory != MAP_FAILED)
            ::munmap(memory, bytes);
    }
};

void frameBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width,
                 uint32_t height, uint32_t stride) {
    auto* f = static_cast<Frame*>(data);
    if (!f->offer && screenCopyFormatKnown(format))
        f->offer = CopiedBuffer{nullptr, format, QSize(int(width), int(height)), stride, false};
}

void frameFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) {
    static_cast<Frame*>(data)->yInverted = flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
}

void frameReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {
    static_cast<Frame*>(data)->state = Frame::State::Ready;
}

void frameFailed(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<Frame*>(data)->state = Frame::State::Failed;
}

void frameDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}

void frameDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}

void frameBufferDone(void* data, zwlr_screencopy_frame_v1*) {
    static_cast<Frame*>(data)->offersDone = true;
}

const zwlr_screencopy_frame_v1_listener frameListener = {
    frameBuffer, frameFlags, frameReady, frameFailed, frameDamage, frameDmabuf, frameBufferDone};

// Dispatches the connection's events until `done`, a failure of the connection, or the deadline.
template <typename Done> bool dispatchUntil(wl_display* display, Done done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        while (wl_display_prepare_read(display) != 0)
            if (wl_display_dispatch_pending(display) < 0)
                return false;
        if (done()) {
            wl_display_cancel_read(display);
            break;
        }
        wl_display_flush(display);
        pollfd fd{wl_display_get_fd(display), POLLIN, 0};
        const int ready = ::poll(&fd, 1, int(std::max<qint64>(deadline.remainingTime(), 0)));
        if (ready <= 0) {
            wl_display_cancel_read(display);
            return false;
        }
        if (wl_display_read_events(display) < 0 || wl_display_dispatch_pending(display) < 0)
            return false;
    }
    return true;
}

// Shared memory for the frame's offer, handed to the compositor as a wl_buffer.
bool attachBuffer(Frame& f, wl_shm* shm) {
    const CopiedBuffer& offer = *f.offer;
    const qint64 bytes = qint64(offer.stride) * offer.size.height();
    if (offer.size.isEmpty() || offer.stride < qint64(offer.size.width()) * 4 ||
        bytes > kMostBufferBytes)
        return false;
    const int fd = ::memfd_create("lumbex-screen-copy", MFD_CLOEXEC);
    if (fd < 0)
        return false;
    if (::ftruncate(fd, bytes) != 0) {
        ::close(fd);
        return false;
    }
    f.bytes = size_t(bytes);
    f.memory = ::mmap(nullptr, f.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (f.memory == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    // The pool's descriptor is duplicated into the request, so ours can go at once.
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(bytes));
    f.buffer = wl_shm_pool_create_buffer(pool, 0, offer.size.width(), offer.size.height(),
                                         int32_t(offer.stride), offer.format);
    wl_shm_pool_destroy(pool);
    ::close(fd);
    zwlr_screencopy_frame_v1_copy(f.frame, f.buffer);
    return true;
}

class WaylandOutputCopier final : public OutputCopier {
public:
    std::optional<std::vector<WaylandOutput>> outputs() override {
        const WaylandConnection connection;
        if (!connection.connected() ||
            !connection.boundVersion(&zwlr_screencopy_manager_v1_interface, 3) ||
            !connection.boundVersion(&wl_shm_interface, 1))
            return std::nullopt;
        return connection.outputs();
    }

    std::optional<OutputCopies> copy(const QStringList& names) override {
        const WaylandConnection connection;
        if (!connection.connected())
            return std::nullopt;
        auto* manager = static_cast<zwlr_screencopy_manager_v1*>(
            connection.bind(&zwlr_screencopy_manager_v1_interface, 3));
        auto* shm = static_cast<wl_shm*>(connection.bind(&wl_shm_interface, 1));
        std::optional<OutputCopies> copies;
        if (manager && shm)
            copies = copyWith(connection, manager, shm, names);
        if (shm)
            wl_shm_destroy(shm);
        if (manager)
            zwlr_screencopy_manager_v1_destroy(manager);
        return copies;
    }

private:
    static OutputCopies copyWith(const WaylandConnection& connection,
                                 zwlr_screencopy_manager_v1* manager, wl_shm* shm,
                                 const QStringList& names) {
        const std::vector<WaylandOutput>& outputs = connection.outputs();
        std::vector<std::unique_ptr<Frame>> frames;
        for (const QString& name : names) {
            auto f = std::make_unique<Frame>();
            for (size_t i = 0; i < outputs.size(); ++i) {
                if (outputs[i].name != name)
                    continue;
                f->transform = outputs[i].transform;
                f->frame = zwlr_screencopy_manager_v1_capture_output(manager, 0,
                                                                     connection.outputProxy(i));
                zwlr_screencopy_frame_v1_add_listener(f->frame, &frameListener, f.get());
                break;
            }
            frames.push_back(std::move(f));
        }
        OutputCopies copies{outputs, std::vector<QImage>(names.size())};
        wl_display* display = connection.display();
        // Every offer comes at once; version 3 ends them with buffer_done, older ones with
        // nothing, so one round trip covers both.
        if (wl_display_roundtrip(display) < 0)
            return copies;
        for (const std::unique_ptr<Frame>& f : frames)
            if (f->frame && f->state == Frame::State::Waiting &&
                (!f->offer || !attachBuffer(*f, shm)))
                f->state = Frame::State::Failed;
        const auto settled = [&] {
            for (const std::unique_ptr<Frame>& f : frames)
                if (f->frame && f->state == Frame::State::Waiting)
                    return false;
            return true;
        };
        if (!dispatchUntil(display, settled, kCopyTimeoutMs))
            return copies;
        for (size_t i = 0; i < frames.size(); ++i) {
            Frame& f = *frames[i];
            if (f.state != Frame::State::Ready)
                continue;
            CopiedBuffer buffer = *f.offer;
            buffer.data = static_cast<const uchar*>(f.memory);
            buffer.yInverted = f.yInverted;
            copies.pictures[i] = screenCopyPicture(buffer, f.transform);
        }
        return copies;
    }
};

} // namespace

std::unique_ptr<OutputCopier> waylandOutputCopier() {
    return std::make_unique<WaylandOutputCopier>();
}

} // namespace lumbex
