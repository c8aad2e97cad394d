#include "platform/x11_screen_grabber.h"

#include "core/error.h"
#include "platform/x11_connection.h"
#include "platform/x11_displays.h"
#include "platform/x11_pixels.h"
#include "platform/x11_windows.h"

#include <mutex>
#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>

namespace lumbex {
namespace {

bool hasExtension(xcb_connection_t* c, xcb_extension_t* extension) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, extension);
    return data && data->present;
}

// XFixes answers cursor requests only after the client has announced its version.
bool announceXFixes(xcb_connection_t* c) {
    if (!hasExtension(c, &xcb_xfixes_id))
        return false;
    const x11::Reply<xcb_xfixes_query_version_reply_t> version(xcb_xfixes_query_version_reply(
        c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
        nullptr));
    return version && version->major_version >= 1;
}

bool announceRandr(xcb_connection_t* c) {
    if (!hasExtension(c, &xcb_randr_id))
        return false;
    const x11::Reply<xcb_randr_query_version_reply_t> version(
        xcb_randr_query_version_reply(c, xcb_randr_query_version(c, 1, 3), nullptr));
    return version && (version->major_version > 1 || version->minor_version >= 3);
}

QString windowGone() {
    return QStringLiteral("That window is no longer visible. Select it again.");
}

class X11ScreenGrabber final : public ScreenGrabber {
public:
    explicit X11ScreenGrabber(const QByteArray& displayName)
        : connection_(displayName), randr_(announceRandr(connection_.get())),
          xfixes_(announceXFixes(connection_.get())),
          pixels_(connection_, hasExtension(connection_.get(), &xcb_shm_id)) {}

    ScreenCapabilities capabilities() const override {
        return ScreenCapability::ReadScreen | ScreenCapability::ReadWindows |
               ScreenCapability::RecordScreen;
    }

    std::vector<ScreenDisplay> displays() override {
        const std::lock_guard lock(mutex_);
        connection_.checkAlive();
        return x11::readDisplays(connection_, randr_);
    }

    std::vector<ScreenWindow> windows() override {
        const std::lock_guard lock(mutex_);
        connection_.checkAlive();
        return x11::readWindows(connection_);
    }

    ScreenGrab grabArea(const QRect& area) override {
        const std::lock_guard lock(mutex_);
        connection_.checkAlive();
        if (area.isEmpty() || !desktop().contains(area))
            throw LumbexError(QStringLiteral("The area is outside the screen. Select it again."));
        return {pixels_.read(area), area.topLeft()};
    }

    ScreenGrab grabDisplay(const ScreenDisplay& display) override {
        const std::lock_guard lock(mutex_);
        connection_.checkAlive();
        const QRect area = display.geometry & desktop();
        if (area.isEmpty())
            throw LumbexError(QStringLiteral("The selected display changed. Start a new capture."));
        return {pixels_.readShared(area), area.topLeft()};
    }

    ScreenGrab grabWindow(quint32 id) override {
        const std::lock_guard lock(mutex_);
        connection_.checkAlive();
        for (const ScreenWindow& window : x11::readWindows(connection_)) {
            if (window.id != id)
                continue;
            const QRect area = window.frame & desktop();
            if (area.isEmpty())
                break;
            return {pixels_.readShared(area), area.topLeft()};
        }
        throw LumbexError(windowGone());
    }

    std::optional<CursorImage> cursor() override {
        const std::lock_guard lock(mutex_);
        connection_.checkAlive();
        if (!xfixes_)
            return std::nullopt;
        xcb_connection_t* c = connection_.get();
        const x11::Reply<xcb_xfixes_get_cursor_image_reply_t> reply(
            xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr));
        if (!reply || reply->width == 0 || reply->height == 0)
            return std::nullopt;
        // Premultiplied ARGB in native byte order, as QImage stores it.
        const QImage view(
            reinterpret_cast<const uchar*>(xcb_xfixes_get_cursor_image_cursor_image(reply.get())),
            reply->width, reply->height, QImage::Format_ARGB32_Premultiplied);
        return CursorImage{view.copy(), QPoint(reply->xhot, reply->yhot),
                           QPoint(reply->x, reply->y)};
    }

private:
    QRect desktop() const {
        return QRect(0, 0, connection_.screen()->width_in_pixels,
                     connection_.screen()->height_in_pixels);
    }

    std::mutex mutex_;
    x11::Connection connection_;
    bool randr_;
    bool xfixes_;
    x11::PixelReader pixels_;
};

} // namespace

std::unique_ptr<ScreenGrabber> connectX11ScreenGrabber(const QByteArray& displayName) {
    return std::make_unique<X11ScreenGrabber>(displayName);
}

} // namespace lumbex
