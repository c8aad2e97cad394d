#include "platform/pipewire_frame_source.h"

#include "core/error.h"
#include "platform/frame_clock.h"

#include <cmath>
#include <mutex>
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <unistd.h>

namespace lumbex {
namespace {

constexpr int kFramesPerSecond = 30;
constexpr int kLongestSide = 16384;

QString sourceChanged() {
    return QStringLiteral("The selected recording source changed. Choose it again.");
}

QString sharingStopped() {
    return QStringLiteral("The screen sharing stopped, so the recording ended. Start a new "
                          "recording to continue.");
}

void initPipeWire() {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
}

// How a negotiated pixel layout becomes a VideoSample's B, G, R, padding order.
std::optional<QImage::Format> imageFormat(spa_video_format format) {
    switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
    case SPA_VIDEO_FORMAT_BGRA:
        return QImage::Format_RGB32;
    case SPA_VIDEO_FORMAT_RGBx:
    case SPA_VIDEO_FORMAT_RGBA:
        return QImage::Format_RGBX8888;
    default:
        return std::nullopt;
    }
}

class PipeWireFrameSource final : public ScreenFrameSource {
public:
    explicit PipeWireFrameSource(const PipeWireFrameSettings& settings)
        : settings_(settings), fd_(settings.fd) {
        initPipeWire();
    }

    ~PipeWireFrameSource() override {
        stop();
        if (fd_ >= 0)
            ::close(fd_);
    }

    void start(Deliver deliver, Failed failed) override {
        if (loop_)
            throw LumbexError(QStringLiteral("The screen recording has already started."));
        deliver_ = std::move(deliver);
        failed_ = std::move(failed);
        loop_ = pw_thread_loop_new("lumbex-screen", nullptr);
        if (!loop_)
            throw prepareFailed();
        context_ = pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0);
        if (!context_) {
            tearDown();
            throw prepareFailed();
        }
        pw_thread_loop_lock(loop_);
        const bool connected = connect();
        pw_thread_loop_unlock(loop_);
        if (!connected || pw_thread_loop_start(loop_) < 0) {
            tearDown();
            throw LumbexError(QStringLiteral(
                "Lumbex could not connect to PipeWire for the screen recording. Check that "
                "PipeWire runs in your session, then try again."));
        }
    }

    void stop() override {
        if (!loop_)
            return;
        // The loop's thread ends first, so that no callback runs while the objects go.
        pw_thread_loop_stop(loop_);
        tearDown();
    }

private:
    static LumbexError prepareFailed() {
        return LumbexError(
            QStringLiteral("The screen recording could not be prepared. Try again."));
    }

    // With the loop locked, before its thread runs.
    bool connect() {
        // Handed to the connection, which closes it when it goes.
        core_ = pw_context_connect_fd(context_, std::exchange(fd_, -1), nullptr, 0);
        if (!core_)
            return false;
        static const pw_core_events coreEvents = [] {
            pw_core_events events{};
            events.version = PW_VERSION_CORE_EVENTS;
            events.error = [](void* data, uint32_t id, int, int, const char*) {
                if (id == PW_ID_CORE)
                    static_cast<PipeWireFrameSource*>(data)->fail(sharingStopped());
            };
            return events;
        }();
        pw_core_add_listener(core_, &coreListener_, &coreEvents, this);

        static const pw_registry_events registryEvents = [] {
            pw_registry_events events{};
            events.version = PW_VERSION_REGISTRY_EVENTS;
            events.global_remove = [](void* data, uint32_t id) {
                auto* self = static_cast<PipeWireFrameSource*>(data);
                if (id == self->settings_.node)
                    self->fail(sharingStopped());
            };
            return events;
        }();
        registry_ = pw_core_get_registry(core_, PW_VERSION_REGISTRY, 0);
        if (registry_)
            pw_registry_add_listener(registry_, &registryListener_, &registryEvents, this);

        stream_ = pw_stream_new(core_, "Lumbex screen recording",
                                pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                                  "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (!stream_)
            return false;
        static const pw_stream_events streamEvents = [] {
            pw_stream_events events{};
            events.version = PW_VERSION_STREAM_EVENTS;
            events.state_changed = [](void* data, pw_stream_state, pw_stream_state state,
                                      const char*) {
                if (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)
                    static_cast<PipeWireFrameSource*>(data)->fail(sharingStopped());
            };
            events.param_changed = [](void* data, uint32_t id, const spa_pod* param) {
                static_cast<PipeWireFrameSource*>(data)->formatChanged(id, param);
            };
            events.process = [](void* data) { static_cast<PipeWireFrameSource*>(data)->process(); };
            return events;
        }();
        pw_stream_add_listener(stream_, &streamListener_, &streamEvents, this);

        tick_ = pw_loop_add_timer(
            pw_thread_loop_get_loop(loop_),
            [](void* data, uint64_t) { static_cast<PipeWireFrameSource*>(data)->tickArrived(); },
            this);

        uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const QSize granted =
            settings_.grantedSize.isEmpty() ? QSize(1920, 1080) : settings_.grantedSize;
        spa_rectangle size{uint32_t(granted.width()), uint32_t(granted.height())};
        spa_rectangle smallest{1, 1};
        spa_rectangle largest{kLongestSide, kLongestSide};
        // Desktops send a picture when the screen changes; the pace is kept here.
        spa_fraction rate{kFramesPerSecond, 1};
        spa_fraction slowest{0, 1};
        spa_fraction fastest{1000, 1};
        const spa_pod* params[1];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
            SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                                   SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx,
                                   SPA_VIDEO_FORMAT_RGBA),
            SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&size, &smallest, &largest),
            SPA_FORMAT_VIDEO_framerate, SPA_POD_CHOICE_RANGE_Fraction(&rate, &slowest, &fastest)));
        const auto flags = pw_stream_flags(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS);
        return pw_stream_connect(stream_, PW_DIRECTION_INPUT, settings_.node, flags, params, 1) >=
               0;
    }

    // After the loop's thread has ended (or before it started).
    void tearDown() {
        if (tick_)
            pw_loop_destroy_source(pw_thread_loop_get_loop(loop_), tick_);
        tick_ = nullptr;
        if (stream_) {
            spa_hook_remove(&streamListener_);
            pw_stream_destroy(stream_);
        }
        stream_ = nullptr;
        if (registry_) {
            spa_hook_remove(&registryListener_);
            pw_proxy_destroy(reinterpret_cast<pw_proxy*>(registry_));
        }
        registry_ = nullptr;
        if (core_) {
            spa_hook_remove(&coreListener_);
            pw_core_disconnect(core_);
        }
        core_ = nullptr;
        if (context_)
            pw_context_destroy(context_);
        context_ = nullptr;
        if (loop_)
            pw_thread_loop_destroy(loop_);
        loop_ = nullptr;
    }

    void fail(const QString& message) {
        if (failedOnce_)
            return;
        failedOnce_ = true;
        pending_ = QImage();
        failed_(LumbexError(message));
    }

    void formatChanged(uint32_t id, const spa_pod* param) {
        if (id != SPA_PARAM_Format || !param)
            return;
        spa_video_info_raw info{};
        if (spa_format_video_raw_parse(param, &info) < 0)
            return;
        const std::optional<QImage::Format> format = imageFormat(info.format);
        if (!format) {
            fail(QStringLiteral("The desktop shares the screen in a picture format Lumbex cannot "
                                "record."));
            return;
        }
        const QSize size(int(info.size.width), int(info.size.height));
        if (!size_.isEmpty() && size != size_) {
            fail(sourceChanged());
            return;
        }
        size_ = size;
        format_ = *format;

        uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const spa_pod* params[3];
        params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
            SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
        params[1] = static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
                                       SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
                                       SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
        params[2] = static_cast<const spa_pod*>(
            spa_pod_builder_add_object(&builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
                                       SPA_PARAM_META_type, SPA_POD_Id(SPA_META_VideoCrop),
                                       SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
        pw_stream_update_params(stream_, params, 3);
    }

    // The part of a picture of the negotiated size to keep, or an empty rectangle when the
    // chosen area is not on it.
    QRect keptPart(const QRect& cropped) const {
        if (!settings_.area)
            return cropped;
        // The area is in logical pixels; the picture may be scaled by the output's scale.
        const QSize logical = settings_.grantedSize.isEmpty() ? size_ : settings_.grantedSize;
        const double sx = double(size_.width()) / logical.width();
        const double sy = double(size_.height()) / logical.height();
        const QRect& area = *settings_.area;
        const QRect scaled(int(std::lround(area.x() * sx)), int(std::lround(area.y() * sy)),
                           int(std::lround(area.width() * sx)),
                           int(std::lround(area.height() * sy)));
        return scaled.translated(cropped.topLeft()) & cropped;
    }

    void process() {
        pw_buffer* newest = nullptr;
        // Only the latest picture counts; older ones go straight back.
        while (pw_buffer* buffer = pw_stream_dequeue_buffer(stream_)) {
            if (newest)
                pw_stream_queue_buffer(stream_, newest);
            newest = buffer;
        }
        if (!newest)
            return;
        read(*newest->buffer);
        pw_stream_queue_buffer(stream_, newest);
        if (pending_.isNull())
            return;
        const qint64 now = hostClockMicroseconds();
        if (now >= nextTick_) {
            deliverPending();
        } else {
            timespec at{time_t(nextTick_ / 1'000'000), long(nextTick_ % 1'000'000) * 1000};
            pw_loop_update_timer(pw_thread_loop_get_loop(loop_), tick_, &at, nullptr, true);
        }
    }

    void tickArrived() {
        if (!pending_.isNull())
            deliverPending();
    }

    void deliverPending() {
        const qint64 now = hostClockMicroseconds();
        if (!clock_)
            clock_.emplace(now, kFramesPerSecond);
        nextTick_ = clock_->nextTickAfter(now);
        deliver_(VideoSample{std::exchange(pending_, QImage()), now});
    }

    // Copies the picture of `buffer` into `pending_` when it is whole and readable.
    void read(const spa_buffer& buffer) {
        if (failedOnce_ || size_.isEmpty() || buffer.n_datas < 1)
            return;
        const auto* header = static_cast<const spa_meta_header*>(
            spa_buffer_find_meta_data(&buffer, SPA_META_Header, sizeof(spa_meta_header)));
        if (header && (header->flags & SPA_META_HEADER_FLAG_CORRUPTED))
            return;
        const spa_data& data = buffer.datas[0];
        if (!data.data || !data.chunk || data.chunk->size == 0 ||
            (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) || data.chunk->stride <= 0)
            return;
        const qint64 stride = data.chunk->stride;
        if (stride < qint64(size_.width()) * 4 ||
            qint64(data.chunk->offset) + stride * size_.height() > qint64(data.maxsize))
            return;

        QRect cropped(QPoint(0, 0), size_);
        const auto* crop = static_cast<const spa_meta_region*>(
            spa_buffer_find_meta_data(&buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)));
        if (crop && crop->region.size.width > 0 && crop->region.size.height > 0)
            cropped &= QRect(crop->region.position.x, crop->region.position.y,
                             int(crop->region.size.width), int(crop->region.size.height));
        const QRect kept = keptPart(cropped);
        if (kept.isEmpty())
            return;
        const uchar* pixels = static_cast<const uchar*>(data.data) + data.chunk->offset;
        const QImage view(pixels, size_.width(), size_.height(), int(stride), format_);
        QImage picture = view.copy(kept);
        if (picture.format() != QImage::Format_RGB32)
            picture = std::move(picture).convertToFormat(QImage::Format_RGB32);
        pending_ = std::move(picture);
    }

    const PipeWireFrameSettings settings_;
    int fd_ = -1;
    Deliver deliver_;
    Failed failed_;

    pw_thread_loop* loop_ = nullptr;
    pw_context* context_ = nullptr;
    pw_core* core_ = nullptr;
    pw_registry* registry_ = nullptr;
    pw_stream* stream_ = nullptr;
    spa_source* tick_ = nullptr;
    spa_hook coreListener_{};
    spa_hook registryListener_{};
    spa_hook streamListener_{};

    // Touched only on the loop's thread once it runs.
    QSize size_;
    QImage::Format format_ = QImage::Format_RGB32;
    QImage pending_;
    std::optional<FrameClock> clock_;
    qint64 nextTick_ = 0;
    bool failedOnce_ = false;
};

} // namespace

std::unique_ptr<ScreenFrameSource> openPipeWireFrameSource(const PipeWireFrameSettings& settings) {
    return std::make_unique<PipeWireFrameSource>(settings);
}

} // namespace lumbex
