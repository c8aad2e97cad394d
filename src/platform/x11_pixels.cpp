#include "platform/x11_pixels.h"

#include "core/error.h"

#include <QColorSpace>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

namespace lumbex::x11 {
namespace {

const xcb_visualtype_t* rootVisual(const xcb_screen_t* screen) {
    for (auto depths = xcb_screen_allowed_depths_iterator(screen); depths.rem;
         xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == screen->root_visual)
                return visuals.data;
    return nullptr;
}

int bitsPerPixel(const xcb_setup_t* setup, uint8_t depth) {
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem;
         xcb_format_next(&formats))
        if (formats.data->depth == depth)
            return formats.data->bits_per_pixel;
    return 0;
}

// Copies server pixels (B, G, R, unused byte) into an opaque RGB32 image: the unused byte may
// hold anything, and Qt expects 0xff there.
QImage opaqueCopy(const uint8_t* data, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    const auto* source = reinterpret_cast<const uint32_t*>(data);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = source[x] | 0xff000000u;
        source += size.width();
    }
    image.setColorSpace(QColorSpace::SRgb);
    return image;
}

QString readFailure() {
    return QStringLiteral("The screen couldn’t be read. Try again.");
}

// A shared memory segment attached to this process and the server; both detach on destruction.
class SharedSegment {
public:
    SharedSegment(xcb_connection_t* connection, size_t size) : connection_(connection) {
        const int id = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
        if (id < 0)
            return;
        void* address = shmat(id, nullptr, 0);
        if (address != reinterpret_cast<void*>(-1)) {
            segment_ = xcb_generate_id(connection);
            xcb_generic_error_t* error = xcb_request_check(
                connection, xcb_shm_attach_checked(connection, segment_, uint32_t(id), 0));
            attached_ = error == nullptr;
            std::free(error);
            data_ = static_cast<uint8_t*>(address);
        }
        // Marked for removal now; it lives until both sides have detached.
        shmctl(id, IPC_RMID, nullptr);
    }
    ~SharedSegment() {
        if (attached_)
            xcb_shm_detach(connection_, segment_);
        if (data_)
            shmdt(data_);
    }
    SharedSegment(const SharedSegment&) = delete;
    SharedSegment& operator=(const SharedSegment&) = delete;

    bool isUsable() const { return attached_; }
    xcb_shm_seg_t id() const { return segment_; }
    const uint8_t* data() const { return data_; }

private:
    xcb_connection_t* connection_;
    xcb_shm_seg_t segment_ = 0;
    uint8_t* data_ = nullptr;
    bool attached_ = false;
};

} // namespace

PixelReader::PixelReader(const Connection& connection, bool shared)
    : connection_(connection), shared_(shared) {
    const xcb_screen_t* screen = connection.screen();
    const xcb_setup_t* setup = xcb_get_setup(connection.get());
    const xcb_visualtype_t* visual = rootVisual(screen);
    const bool readable = visual && visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                          visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
                          visual->blue_mask == 0xff &&
                          bitsPerPixel(setup, screen->root_depth) == 32 &&
                          setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    if (!readable)
        unsupportedFormat_ = QStringLiteral("This X display uses a %1-bit pixel format that "
                                            "Lumbex can’t read. Use a 24-bit display.")
                                 .arg(screen->root_depth);
}

void PixelReader::checkFormat() const {
    if (!unsupportedFormat_.isEmpty())
        throw LumbexError(unsupportedFormat_);
}

QImage PixelReader::readShared(const QRect& area) const {
    checkFormat();
    if (!shared_)
        return read(area);
    xcb_connection_t* c = connection_.get();
    const SharedSegment segment(c, size_t(area.width()) * size_t(area.height()) * 4);
    if (!segment.isUsable())
        return read(area);
    const Reply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, connection_.root(), int16_t(area.x()), int16_t(area.y()),
                          uint16_t(area.width()), uint16_t(area.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, segment.id(), 0),
        nullptr));
    if (!reply)
        return read(area);
    return opaqueCopy(segment.data(), area.size());
}

QImage PixelReader::read(const QRect& area) const {
    checkFormat();
    xcb_connection_t* c = connection_.get();
    const Reply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, connection_.root(), int16_t(area.x()),
                      int16_t(area.y()), uint16_t(area.width()), uint16_t(area.height()), ~0u),
        nullptr));
    connection_.checkAlive();
    if (!reply || xcb_get_image_data_length(reply.get()) < area.width() * area.height() * 4)
        throw LumbexError(readFailure());
    return opaqueCopy(xcb_get_image_data(reply.get()), area.size());
}

} // namespace lumbex::x11
