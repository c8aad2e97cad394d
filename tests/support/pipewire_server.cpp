#include "support/pipewire_server.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <mutex>
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace lumbex::test {
namespace {

QImage::Format imageFormat(int format) {
    switch (format) {
    case SPA_VIDEO_FORMAT_RGBx:
        return QImage::Format_RGBX8888;
    case SPA_VIDEO_FORMAT_RGBA:
        return QImage::Format_RGBA8888;
    case SPA_VIDEO_FORMAT_BGRA:
        return QImage::Format_ARGB32;
    default:
        return QImage::Format_RGB32;
    }
}

// The one picture format the producer offers: `format` at `size`, pictures whenever it sends.
const spa_pod* formatParam(spa_pod_builder& builder, int format, QSize size) {
    spa_rectangle rect{uint32_t(size.width()), uint32_t(size.height())};
    spa_fraction rate{0, 1};
    return static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
        SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
        SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format, SPA_POD_Id(format),
        SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&rect), SPA_FORMAT_VIDEO_framerate,
        SPA_POD_Fraction(&rate)));
}

} // namespace

QString PipeWireServer::unavailableReason() {
    for (const char* program : {"dbus-daemon", "pipewire", "wireplumber"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
            return QStringLiteral("%1 is not installed: no PipeWire server for this test. Run "
                                  "scripts/install-deps.")
                .arg(QString::fromLatin1(program));
    return {};
}

PipeWireServer::PipeWireServer() {
    missing_ = unavailableReason();
    if (!missing_.isEmpty())
        return;
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0700);
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    env.insert(QStringLiteral("HOME"), dir_.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.path() + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), dir_.path() + QStringLiteral("/state"));
    // WirePlumber leaves when it finds no session bus.
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + dir_.path() + QStringLiteral("/bus"));
    auto bus = std::make_unique<QProcess>();
    bus->setProcessEnvironment(env);
    bus->start(QStringLiteral("dbus-daemon"),
               {QStringLiteral("--session"), QStringLiteral("--nofork"),
                QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1"),
                QStringLiteral("--address=unix:path=") + dir_.path() + QStringLiteral("/bus")});
    const bool busReady = bus->waitForReadyRead(10000);
    processes_.push_back(std::move(bus));
    if (!busReady) {
        missing_ = QStringLiteral("The private D-Bus session bus did not start.");
        return;
    }
    for (const char* program : {"pipewire", "wireplumber"}) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(dir_.path());
        process->setStandardOutputFile(dir_.path() + u'/' + QLatin1String(program) +
                                       QStringLiteral(".log"));
        process->setStandardErrorFile(dir_.path() + u'/' + QLatin1String(program) +
                                          QStringLiteral(".log"),
                                      QIODevice::Append);
        process->start(QString::fromLatin1(program), {});
        process->waitForStarted(5000);
        processes_.push_back(std::move(process));
        if (processes_.size() == 2) {
            const QDeadlineTimer deadline(10000);
            while (!QFileInfo::exists(dir_.path() + QStringLiteral("/pipewire-0")) &&
                   !deadline.hasExpired())
                QThread::msleep(20);
            if (!QFileInfo::exists(dir_.path() + QStringLiteral("/pipewire-0"))) {
                missing_ = QStringLiteral("PipeWire did not start.");
                return;
            }
        }
    }
}

PipeWireServer::~PipeWireServer() {
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(3000)) {
            (*it)->kill();
            (*it)->waitForFinished(3000);
        }
    }
}

QString PipeWireServer::socketPath() const {
    return dir_.path() + QStringLiteral("/pipewire-0");
}

int PipeWireServer::connect() const {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath());
    std::memcpy(address.sun_path, path.constData(),
                std::min<size_t>(path.size(), sizeof address.sun_path - 1));
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

PipeWireVideoProducer::PipeWireVideoProducer(const PipeWireServer& server, int format, QSize size)
    : format_(format), size_(size) {
    static std::once_flag once;
    std::call_once(once, [] { pw_init(nullptr, nullptr); });
    loop_ = pw_thread_loop_new("test-producer", nullptr);
    context_ = pw_context_new(pw_thread_loop_get_loop(loop_), nullptr, 0);
    pw_thread_loop_start(loop_);
    pw_thread_loop_lock(loop_);
    core_ = pw_context_connect_fd(context_, server.connect(), nullptr, 0);
    stream_ = pw_stream_new(core_, "test pictures",
                            pw_properties_new(PW_KEY_MEDIA_CLASS, "Video/Source", nullptr));
    static const pw_stream_events events = [] {
        pw_stream_events e{};
        e.version = PW_VERSION_STREAM_EVENTS;
        e.param_changed = [](void* data, uint32_t id, const spa_pod* param) {
            if (id == SPA_PARAM_Format && param)
                static_cast<PipeWireVideoProducer*>(data)->formatChanged();
        };
        return e;
    }();
    auto* hook = new spa_hook{};
    listener_ = hook;
    pw_stream_add_listener(stream_, hook, &events, this);
    uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[1] = {formatParam(builder, format, size)};
    pw_stream_connect(stream_, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                      pw_stream_flags(PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS), params,
                      1);
    pw_thread_loop_unlock(loop_);
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        pw_thread_loop_lock(loop_);
        node_ = pw_stream_get_node_id(stream_);
        pw_thread_loop_unlock(loop_);
        if (node_ != SPA_ID_INVALID)
            break;
        QThread::msleep(10);
    }
}

PipeWireVideoProducer::~PipeWireVideoProducer() {
    pw_thread_loop_stop(loop_);
    if (stream_)
        pw_stream_destroy(stream_);
    delete static_cast<spa_hook*>(listener_);
    pw_core_disconnect(core_);
    pw_context_destroy(context_);
    pw_thread_loop_destroy(loop_);
}

bool PipeWireVideoProducer::waitUntilStreaming(int ms) const {
    const QDeadlineTimer deadline(ms);
    do {
        pw_thread_loop_lock(loop_);
        const pw_stream_state state = pw_stream_get_state(stream_, nullptr);
        pw_thread_loop_unlock(loop_);
        if (state == PW_STREAM_STATE_STREAMING)
            return true;
        QThread::msleep(10);
    } while (!deadline.hasExpired());
    return false;
}

void PipeWireVideoProducer::send(const QImage& picture, bool corrupted, QRect crop) {
    const QImage pixels = picture.convertToFormat(imageFormat(format_));
    // Right after linking there may be no free buffer yet.
    const QDeadlineTimer deadline(3000);
    for (;;) {
        pw_thread_loop_lock(loop_);
        pw_buffer* b = pw_stream_dequeue_buffer(stream_);
        if (b) {
            fill(*b->buffer, pixels, corrupted, crop);
            // Queued before the cycle it starts, so that the consumer gets it in that cycle.
            pw_stream_queue_buffer(stream_, b);
            pw_stream_trigger_process(stream_);
        }
        pw_thread_loop_unlock(loop_);
        if (b || deadline.hasExpired())
            return;
        QThread::msleep(5);
    }
}

void PipeWireVideoProducer::resize(QSize size) {
    pw_thread_loop_lock(loop_);
    size_ = size;
    uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[1] = {formatParam(builder, format_, size)};
    pw_stream_update_params(stream_, params, 1);
    pw_thread_loop_unlock(loop_);
}

void PipeWireVideoProducer::close() {
    pw_thread_loop_lock(loop_);
    pw_stream_destroy(stream_);
    stream_ = nullptr;
    pw_thread_loop_unlock(loop_);
}

void PipeWireVideoProducer::formatChanged() {
    const int stride = size_.width() * 4;
    uint8_t buffer[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[3];
    params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
        SPA_POD_CHOICE_RANGE_Int(4, 2, 8), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
        SPA_PARAM_BUFFERS_size, SPA_POD_Int(stride * size_.height()), SPA_PARAM_BUFFERS_stride,
        SPA_POD_Int(stride), SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int(1 << SPA_DATA_MemFd)));
    params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_Header), SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_header))));
    params[2] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
        SPA_POD_Id(SPA_META_VideoCrop), SPA_PARAM_META_size, SPA_POD_Int(sizeof(spa_meta_region))));
    pw_stream_update_params(stream_, params, 3);
}

void PipeWireVideoProducer::fill(spa_buffer& buffer, const QImage& pixels, bool corrupted,
                                 QRect crop) {
    spa_data& data = buffer.datas[0];
    const int stride = size_.width() * 4;
    if (!data.data || pixels.size() != size_ || data.maxsize < uint32_t(stride * size_.height()))
        return;
    for (int y = 0; y < size_.height(); ++y)
        std::memcpy(static_cast<uchar*>(data.data) + qsizetype(y) * stride, pixels.constScanLine(y),
                    stride);
    data.chunk->offset = 0;
    data.chunk->stride = stride;
    data.chunk->size = stride * size_.height();
    data.chunk->flags = 0;
    if (auto* header = static_cast<spa_meta_header*>(
            spa_buffer_find_meta_data(&buffer, SPA_META_Header, sizeof(spa_meta_header))))
        header->flags = corrupted ? SPA_META_HEADER_FLAG_CORRUPTED : 0;
    if (auto* region = static_cast<spa_meta_region*>(
            spa_buffer_find_meta_data(&buffer, SPA_META_VideoCrop, sizeof(spa_meta_region)))) {
        region->region.position.x = crop.x();
        region->region.position.y = crop.y();
        region->region.size.width = uint32_t(std::max(0, crop.width()));
        region->region.size.height = uint32_t(std::max(0, crop.height()));
    }
}

} // namespace lumbex::test
