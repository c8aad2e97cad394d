#include "platform/x11_shared_images.h"

#include "core/error.h"

#include <QColorSpace>
#include <atomic>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

namespace lumbex::x11 {
namespace {

// The process's mapping of one segment. It outlives the server's attachment when an image still
// holds it after the pool has let the segment go.
struct Mapping {
    explicit Mapping(size_t bytes) {
        id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0)
            return;
        void* address = shmat(id, nullptr, 0);
        // Marked for removal now; the system frees it once both sides have detached.
        shmctl(id, IPC_RMID, nullptr);
        if (address != reinterpret_cast<void*>(-1))
            data = static_cast<uchar*>(address);
    }
    ~Mapping() {
        if (data)
            shmdt(data);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    int id = -1;
    uchar* data = nullptr;
    std::atomic<bool> lent{false};
};

// What an image's clean-up function receives: it owns a share of the mapping.
struct Loan {
    std::shared_ptr<Mapping> mapping;
};

void returnLoan(void* info) {
    auto* loan = static_cast<Loan*>(info);
    loan->mapping->lent = false;
    delete loan;
}

QString readFailure() {
    return QStringLiteral("The screen couldn’t be read. Try again.");
}

} // namespace

struct SharedImagePool::Segment {
    Segment(xcb_connection_t* c, QSize size)
        : connection(c), size(size),
          mapping(std::make_shared<Mapping>(size_t(size.width()) * size_t(size.height()) * 4)) {
        if (!mapping->data)
            throw LumbexError(QStringLiteral("There is not enough shared memory to record the "
                                             "screen. Close other programs, then try again."));
        id = xcb_generate_id(c);
        xcb_generic_error_t* error =
            xcb_request_check(c, xcb_shm_attach_checked(c, id, uint32_t(mapping->id), 0));
        const bool attached = error == nullptr;
        std::free(error);
        if (!attached)
            throw LumbexError(QStringLiteral("The X display does not share memory with Lumbex, "
                                             "so it can’t record the screen. Record on the "
                                             "computer that shows the display."));
    }
    ~Segment() { xcb_shm_detach(connection, id); }

    xcb_connection_t* connection;
    QSize size;
    std::shared_ptr<Mapping> mapping;
    xcb_shm_seg_t id = 0;
};

SharedImagePool::SharedImagePool(const Connection& connection, int capacity)
    : connection_(connection), capacity_(capacity) {}

SharedImagePool::~SharedImagePool() = default;

SharedImagePool::Segment* SharedImagePool::freeSegment(QSize size) {
    // Segments of another size go once no image holds them; held ones stay until returned.
    std::erase_if(segments_, [&](const std::unique_ptr<Segment>& segment) {
        return segment->size != size && !segment->mapping->lent;
    });
    for (const auto& segment : segments_)
        if (segment->size == size && !segment->mapping->lent)
            return segment.get();
    if (int(segments_.size()) >= capacity_)
        return nullptr;
    segments_.push_back(std::make_unique<Segment>(connection_.get(), size));
    return segments_.back().get();
}

QImage SharedImagePool::read(const QRect& area) {
    Segment* segment = freeSegment(area.size());
    if (!segment)
        return {};
    xcb_connection_t* c = connection_.get();
    const Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, connection_.root(), int16_t(area.x()), int16_t(area.y()),
                          uint16_t(area.width()), uint16_t(area.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment->id, 0),
        nullptr));
    connection_.checkAlive();
    if (!reply)
        throw LumbexError(readFailure());

    // The server leaves the fourth byte of each pixel undefined. Setting it would cost a pass
    // over every pixel of every frame, more than the rest of the read; recording frames treat
    // that byte as padding instead.
    uchar* data = segment->mapping->data;
    segment->mapping->lent = true;
    QImage image(data, area.width(), area.height(), area.width() * 4, QImage::Format_RGB32,
                 returnLoan, new Loan{segment->mapping});
    image.setColorSpace(QColorSpace::SRgb);
    return image;
}

} // namespace lumbex::x11
