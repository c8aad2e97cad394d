#include "core/error.h"
#include "platform/frame_clock.h"
#include "platform/pointer_overlay.h"
#include "platform/recording_sources.h"
#include "platform/x11_connection.h"
#include "platform/x11_shared_images.h"
#include "platform/x11_windows.h"

#include <atomic>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/shm.h>
#include <xcb/xfixes.h>
#include <xcb/xinput.h>

namespace lumbex {
namespace {

constexpr int kFramesPerSecond = 30;
// Enough for the consumer to hold one frame while the writer encodes another and the next is read.
constexpr int kSharedImages = 3;

QString windowGone() {
    return QStringLiteral("The selected window is no longer available.");
}

const xcb_query_extension_reply_t* extension(xcb_connection_t* c, xcb_extension_t* id) {
    const xcb_query_extension_reply_t* data = xcb_get_extension_data(c, id);
    return data && data->present ? data : nullptr;
}

// The extensions this source uses; DAMAGE and MIT-SHM are required, the others only add the
// pointer and clicks.
struct Extensions {
    explicit Extensions(xcb_connection_t* c) {
        damage = extension(c, &xcb_damage_id);
        const x11::Reply<xcb_damage_query_version_reply_t> damageVersion(
            damage ? xcb_damage_query_version_reply(c, xcb_damage_query_version(c, 1, 1), nullptr)
                   : nullptr);
        if (!damageVersion)
            throw LumbexError(QStringLiteral(
                "This X display can’t report screen changes (its DAMAGE extension is missing), so "
                "Lumbex can’t record it. Record in a desktop session that offers it."));
        const x11::Reply<xcb_shm_query_version_reply_t> shmVersion(
            extension(c, &xcb_shm_id)
                ? xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr)
                : nullptr);
        if (!shmVersion)
            throw LumbexError(QStringLiteral(
                "This X display can’t share memory with Lumbex (its MIT-SHM extension is "
                "missing), so Lumbex can’t record it. Record on the computer that shows the "
                "display."));
        xfixes = extension(c, &xcb_xfixes_id);
        const x11::Reply<xcb_xfixes_query_version_reply_t> xfixesVersion(
            xfixes ? xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr)
                   : nullptr);
        if (!xfixesVersion || xfixesVersion->major_version < 2)
            xfixes = nullptr;
        input = extension(c, &xcb_input_id);
        const x11::Reply<xcb_input_xi_query_version_reply_t> inputVersion(
            input
                ? xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr)
                : nullptr);
        if (!inputVersion || inputVersion->major_version < 2)
            input = nullptr;
    }

    const xcb_query_extension_reply_t* damage = nullptr;
    const xcb_query_extension_reply_t* xfixes = nullptr;
    const xcb_query_extension_reply_t* input = nullptr;
};

std::optional<PointerPicture> readPointer(xcb_connection_t* c,
                                          const std::optional<PointerPicture>& previous) {
    const x11::Reply<xcb_xfixes_get_cursor_image_reply_t> reply(
        xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr));
    if (!reply || reply->width == 0 || reply->height == 0)
        return std::nullopt;
    PointerPicture pointer;
    pointer.hotSpot = QPoint(reply->xhot, reply->yhot);
    pointer.position = QPoint(reply->x, reply->y);
    pointer.serial = reply->cursor_serial;
    if (previous && previous->serial == pointer.serial) {
        pointer.image = previous->image;
    } else {
        // Premultiplied ARGB in native byte order, as QImage stores it.
        const QImage view(
            reinterpret_cast<const uchar*>(xcb_xfixes_get_cursor_image_cursor_image(reply.get())),
            reply->width, reply->height, QImage::Format_ARGB32_Premultiplied);
        pointer.image = view.copy();
    }
    return pointer;
}

class X11FrameSource final : public ScreenFrameSource {
public:
    X11FrameSource(const QByteArray& displayName, const ScreenFrameSettings& settings)
        : settings_(settings), connection_(displayName), extensions_(connection_.get()),
          images_(connection_, kSharedImages), placements_(connection_) {
        xcb_connection_t* c = connection_.get();
        const QRect desktop(0, 0, connection_.screen()->width_in_pixels,
                            connection_.screen()->height_in_pixels);
        if (const QRect* area = std::get_if<QRect>(&settings_.source)) {
            area_ = *area & desktop;
            if (area_.isEmpty())
                throw LumbexError(
                    QStringLiteral("The recording area is outside the screen. Select it again."));
        } else {
            window_ = std::get<quint32>(settings_.source);
            const std::optional<x11::WindowPlacement> placement = placements_.read(window_);
            if (!placement || placement->withdrawn)
                throw LumbexError(windowGone());
            const uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(c, window_, XCB_CW_EVENT_MASK, &events);
        }
        desktop_ = desktop;

        // Every drawing operation is reported with its rectangle, so changes elsewhere on the
        // desktop cost a comparison and never a read.
        damage_ = xcb_generate_id(c);
        xcb_damage_create(c, damage_, connection_.root(), XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        if (settings_.cursor && extensions_.xfixes)
            xcb_xfixes_select_cursor_input(c, connection_.root(),
                                           XCB_XFIXES_CURSOR_NOTIFY_MASK_DISPLAY_CURSOR);
        selectButtonPresses();
        ignoreInitialDamage();

        wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wake_ < 0)
            throw LumbexError(
                QStringLiteral("The screen recording could not be prepared. Try again."), errno);
    }

    ~X11FrameSource() override {
        stop();
        xcb_damage_destroy(connection_.get(), damage_);
        xcb_flush(connection_.get());
        close(wake_);
    }

    void start(Deliver deliver, Failed failed) override {
        if (thread_.joinable())
            throw LumbexError(QStringLiteral("The screen recording has already started."));
        deliver_ = std::move(deliver);
        failed_ = std::move(failed);
        thread_ = std::thread([this] { run(); });
    }

    void stop() override {
        if (!thread_.joinable())
            return;
        stopping_ = true;
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
        thread_.join();
    }

private:
    // Presses of any pointing device, also while another program holds a grab.
    void selectButtonPresses() {
        if (!extensions_.input || !settings_.clicks)
            return;
        struct {
            xcb_input_event_mask_t head;
            uint32_t bits;
        } mask{{XCB_INPUT_DEVICE_ALL_MASTER, 1}, XCB_INPUT_XI_EVENT_MASK_RAW_BUTTON_PRESS};
        xcb_input_xi_select_events(connection_.get(), connection_.root(), 1, &mask.head);
    }

    // A new damage object reports its whole drawable once; the first frame covers that.
    void ignoreInitialDamage() {
        xcb_connection_t* c = connection_.get();
        x11::Reply<xcb_get_input_focus_reply_t>(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        connection_.checkAlive();
        while (xcb_generic_event_t* event = xcb_poll_for_event(c))
            std::free(event);
    }

    void run() {
        const FrameClock clock(hostClockMicroseconds(), kFramesPerSecond);
        qint64 tick = hostClockMicroseconds();
        try {
            while (waitUntil(tick) && this->tick())
                tick = clock.nextTickAfter(hostClockMicroseconds());
        } catch (const LumbexError& error) {
            failed_(error);
        }
    }

    // Handles events until `deadline`; false when asked to stop.
    bool waitUntil(qint64 deadline) {
        xcb_connection_t* c = connection_.get();
        for (;;) {
            xcb_flush(c);
            while (xcb_generic_event_t* event = xcb_poll_for_event(c)) {
                handle(event);
                std::free(event);
            }
            connection_.checkAlive();
            if (stopping_)
                return false;
            const qint64 left = deadline - hostClockMicroseconds();
            if (left <= 0)
                return true;
            pollfd fds[] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {wake_, POLLIN, 0}};
            const timespec timeout{time_t(left / 1'000'000), long(left % 1'000'000) * 1000};
            ppoll(fds, 2, &timeout, nullptr);
        }
    }

    void handle(const xcb_generic_event_t* event) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == extensions_.damage->first_event + XCB_DAMAGE_NOTIFY) {
            const auto* damage = reinterpret_cast<const xcb_damage_notify_event_t*>(event);
            const QRect changed(damage->area.x, damage->area.y, damage->area.width,
                                damage->area.height);
            anyDamage_ = true;
            if (changed.intersects(area_))
                changed_ = true;
        } else if (extensions_.xfixes &&
                   type == extensions_.xfixes->first_event + XCB_XFIXES_CURSOR_NOTIFY) {
            shapeChanged_ = true;
        } else if (type == XCB_GE_GENERIC && extensions_.input) {
            const auto* generic = reinterpret_cast<const xcb_ge_generic_event_t*>(event);
            if (generic->extension != extensions_.input->major_opcode)
                return;
            if (generic->event_type == XCB_INPUT_RAW_BUTTON_PRESS)
                buttonPressed(reinterpret_cast<const xcb_input_raw_button_press_event_t*>(event));
        } else if (type == XCB_DESTROY_NOTIFY || type == XCB_UNMAP_NOTIFY ||
                   type == XCB_CONFIGURE_NOTIFY || type == XCB_MAP_NOTIFY) {
            windowChanged_ = true;
        }
    }

    void buttonPressed(const xcb_input_raw_button_press_event_t* press) {
        // Buttons 4 and up are wheel steps, not clicks.
        if (press->detail < 1 || press->detail > 3)
            return;
        xcb_connection_t* c = connection_.get();
        const x11::Reply<xcb_query_pointer_reply_t> pointer(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, connection_.root()), nullptr));
        if (pointer)
            overlay_.addRing(QPoint(pointer->root_x, pointer->root_y), hostClockMicroseconds());
    }

    // False once the source has failed for good.
    bool tick() {
        if (window_ && (firstFrame_ || windowChanged_ || anyDamage_)) {
            windowChanged_ = false;
            const std::optional<x11::WindowPlacement> placement = placements_.read(window_);
            if (!placement || placement->withdrawn) {
                failed_(LumbexError(windowGone()));
                return false;
            }
            const QRect area = placement->viewable ? placement->frame & desktop_ : QRect();
            if (area != area_)
                changed_ = true;
            area_ = area;
        }
        anyDamage_ = false;
        if (area_.isEmpty())
            return true; // minimised or off the desktop: nothing of it is shown

        const qint64 now = hostClockMicroseconds();
        if (settings_.cursor && extensions_.xfixes)
            updatePointer();
        overlay_.dropFadedRings(now);
        const bool rings = overlay_.ringsVisible(area_, now);
        if (!firstFrame_ && !changed_ && !rings && !ringsShown_)
            return true;

        const qint64 time = hostClockMicroseconds();
        QImage image = images_.read(area_);
        if (image.isNull())
            return true; // every buffer is still held: this tick's frame is dropped
        overlay_.draw(image, area_, time, settings_.cursor);
        ringsShown_ = rings;
        changed_ = false;
        firstFrame_ = false;
        deliver_(VideoSample{std::move(image), time});
        return true;
    }

    // Warped pointers raise no input event, so the position is asked for every tick: one short
    // round trip. The picture is read again only when the pointer moved or changed shape.
    void updatePointer() {
        xcb_connection_t* c = connection_.get();
        const x11::Reply<xcb_query_pointer_reply_t> position(
            xcb_query_pointer_reply(c, xcb_query_pointer(c, connection_.root()), nullptr));
        const std::optional<PointerPicture>& before = overlay_.pointer();
        const bool still = position && before && !shapeChanged_ &&
                           before->position == QPoint(position->root_x, position->root_y);
        if (still)
            return;
        shapeChanged_ = false;
        std::optional<PointerPicture> now = readPointer(c, before);
        const bool moved =
            before.has_value() != now.has_value() ||
            (now && (now->position != before->position || now->serial != before->serial));
        if (moved && ((before && before->bounds().intersects(area_)) ||
                      (now && now->bounds().intersects(area_))))
            changed_ = true;
        overlay_.setPointer(std::move(now));
    }

    const ScreenFrameSettings settings_;
    x11::Connection connection_;
    const Extensions extensions_;
    x11::SharedImagePool images_;
    const x11::WindowPlacementReader placements_;
    xcb_window_t window_ = 0;
    QRect desktop_;
    QRect area_;
    xcb_damage_damage_t damage_ = 0;
    int wake_ = -1;

    Deliver deliver_;
    Failed failed_;
    std::thread thread_;
    std::atomic<bool> stopping_ = false;

    // Touched only on the source's thread once it runs.
    PointerOverlay overlay_;
    bool firstFrame_ = true;
    bool changed_ = false;
    bool anyDamage_ = false;
    bool windowChanged_ = false;
    bool shapeChanged_ = false;
    bool ringsShown_ = false;
};

} // namespace

std::unique_ptr<ScreenFrameSource> openX11FrameSource(const QByteArray& displayName,
                                                      const ScreenFrameSettings& settings) {
    return std::make_unique<X11FrameSource>(displayName, settings);
}

} // namespace lumbex
