#include "platform/pulse_microphones.h"

#include "core/error.h"
#include "platform/pulse_connection.h"

#include <QSettings>
#include <QVariantMap>

namespace lumbex {
namespace {

const QString kSettingKey = QStringLiteral("voiceMicrophone");
constexpr pa_usec_t kFragment = 20 * PA_USEC_PER_MSEC;

QString unavailable() {
    return QStringLiteral("The selected microphone is unavailable. Choose another microphone in "
                          "this note, or keep typing.");
}

struct SourceListing {
    PulseConnection* connection;
    std::vector<Microphone> microphones;
    std::vector<pa_sample_spec> formats;
};

struct Server {
    std::vector<Microphone> microphones;
    std::vector<pa_sample_spec> formats;
    QString defaultSource;
};

// One round trip to the server: its input devices and its default one.
std::optional<Server> askServer() {
    PulseConnection connection("Lumbex microphones");
    if (!connection.ready())
        return std::nullopt;
    SourceListing listing{&connection, {}, {}};
    Server server;
    connection.lock();
    const bool listed = connection.complete(pa_context_get_source_info_list(
        connection.context(),
        [](pa_context*, const pa_source_info* info, int eol, void* data) {
            auto* listing = static_cast<SourceListing*>(data);
            if (eol || !info) {
                listing->connection->signal();
                return;
            }
            // Monitors of outputs are the computer's own sound, not microphones.
            if (info->monitor_of_sink != PA_INVALID_INDEX)
                return;
            listing->microphones.push_back(
                {QString::fromUtf8(info->name), QString::fromUtf8(info->description)});
            listing->formats.push_back(info->sample_spec);
        },
        &listing));
    std::pair<PulseConnection*, QString*> target{&connection, &server.defaultSource};
    const bool informed = connection.complete(pa_context_get_server_info(
        connection.context(),
        [](pa_context*, const pa_server_info* info, void* data) {
            auto* target = static_cast<std::pair<PulseConnection*, QString*>*>(data);
            if (info && info->default_source_name)
                *target->second = QString::fromUtf8(info->default_source_name);
            target->first->signal();
        },
        &target));
    connection.unlock();
    if (!listed || !informed)
        return std::nullopt;
    server.microphones = std::move(listing.microphones);
    server.formats = std::move(listing.formats);
    return server;
}

class PulseMicrophones : public Microphones {
public:
    explicit PulseMicrophones(QSettings& settings) : settings_(settings) {}

    std::vector<Microphone> available() const override {
        const auto server = askServer();
        return server ? server->microphones : std::vector<Microphone>{};
    }

    std::optional<Microphone> systemDefault() const override {
        const auto server = askServer();
        if (!server)
            return std::nullopt;
        for (const Microphone& m : server->microphones)
            if (m.id == server->defaultSource)
                return m;
        return std::nullopt;
    }

    std::optional<Microphone> selection() const override {
        const QVariantMap stored = settings_.value(kSettingKey).toMap();
        const QString id = stored.value(QStringLiteral("id")).toString();
        if (id.isEmpty())
            return std::nullopt;
        return Microphone{id, stored.value(QStringLiteral("name")).toString()};
    }

    void setSelection(const std::optional<Microphone>& microphone) override {
        if (!microphone)
            settings_.remove(kSettingKey);
        else
            settings_.setValue(kSettingKey,
                               QVariantMap{{QStringLiteral("id"), microphone->id},
                                           {QStringLiteral("name"), microphone->name}});
        settings_.sync();
    }

    std::optional<Microphone> current() const override {
        const auto server = askServer();
        if (!server)
            return std::nullopt;
        const auto chosen = selection();
        const QString id = chosen ? chosen->id : server->defaultSource;
        for (const Microphone& m : server->microphones)
            if (m.id == id)
                return m;
        return std::nullopt;
    }

private:
    QSettings& settings_;
};

class PulseMicrophoneCapture : public MicrophoneCapture {
public:
    PulseMicrophoneCapture(const Microphone& microphone, const pa_sample_spec& deviceFormat)
        : connection_("Lumbex voice") {
        if (deviceFormat.rate == 0 || deviceFormat.channels == 0)
            throw LumbexError(QStringLiteral("This microphone’s audio format is unavailable. "
                                             "Choose another microphone."));
        format_ = {double(deviceFormat.rate), int(deviceFormat.channels)};
        if (!connection_.ready())
            throw LumbexError(cannotOpen());
        connection_.onLost = [this] { lost(); };
        connection_.lock();
        const bool opened = openStream(microphone.id.toUtf8());
        connection_.unlock();
        if (!opened)
            throw LumbexError(cannotOpen());
    }

    ~PulseMicrophoneCapture() override {
        stop();
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
    }

    AudioFormat format() const override { return format_; }

    void start(Receive receive, Failure failure) override {
        connection_.lock();
        receive_ = std::move(receive);
        failure_ = std::move(failure);
        running_ = true;
        const bool started =
            pa_stream_get_state(stream_) == PA_STREAM_READY &&
            connection_.complete(pa_stream_cork(
                stream_, 0,
                [](pa_stream*, int, void* self) {
                    static_cast<PulseMicrophoneCapture*>(self)->connection_.signal();
                },
                this));
        if (!started)
            running_ = false;
        connection_.unlock();
        if (!started)
            throw LumbexError(QStringLiteral("The microphone did not start. Try again or choose "
                                             "another microphone."));
    }

    void stop() override {
        connection_.lock();
        running_ = false;
        receive_ = {};
        failure_ = {};
        connection_.unlock();
        connection_.stop();
    }

private:
    static QString cannotOpen() {
        return QStringLiteral("This microphone could not be opened. Choose another microphone.");
    }

    bool openStream(const QByteArray& device) {
        const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32LE, uint32_t(format_.sampleRate),
                                          uint8_t(format_.channels)};
        stream_ = pa_stream_new(connection_.context(), "Lumbex voice note", &sampleFormat, nullptr);
        if (!stream_)
            return false;
        pa_stream_set_state_callback(
            stream_,
            [](pa_stream* stream, void* self) {
                auto* capture = static_cast<PulseMicrophoneCapture*>(self);
                const pa_stream_state_t state = pa_stream_get_state(stream);
                if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
                    capture->lost();
                capture->connection_.signal();
            },
            this);
        pa_stream_set_read_callback(
            stream_,
            [](pa_stream* stream, size_t, void* self) {
                static_cast<PulseMicrophoneCapture*>(self)->readable(stream);
            },
            this);
        const uint32_t automatic = uint32_t(-1);
        const pa_buffer_attr buffer{automatic, automatic, automatic, automatic,
                                    uint32_t(pa_usec_to_bytes(kFragment, &sampleFormat))};
        // Never moved to another device when this one goes: the user hears about it instead.
        const auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                             PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(stream_, device.constData(), &buffer, flags) < 0)
            return false;
        return connection_.waitUntil([this]() -> std::optional<bool> {
            switch (pa_stream_get_state(stream_)) {
            case PA_STREAM_READY:
                return true;
            case PA_STREAM_FAILED:
            case PA_STREAM_TERMINATED:
                return false;
            default:
                return std::nullopt;
            }
        });
    }

    void lost() {
        if (!running_)
            return;
        running_ = false;
        if (failure_)
            failure_(LumbexError(QStringLiteral("Microphone disconnected. Recorded audio has been "
                                                "kept. Choose another microphone to continue.")));
    }

    void readable(pa_stream* stream) {
        const void* data = nullptr;
        size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 &&
               bytes > 0) {
            AudioBuffer buffer{format_, {}};
            if (data) {
                const auto* first = static_cast<const float*>(data);
                buffer.samples.assign(first, first + bytes / sizeof(float));
            }
            pa_stream_drop(stream);
            // A hole (no data) is a gap the server reports; there is nothing to record.
            if (data && running_ && receive_)
                receive_(buffer);
        }
    }

    PulseConnection connection_;
    pa_stream* stream_ = nullptr;
    AudioFormat format_;
    // Touched with the loop locked.
    Receive receive_;
    Failure failure_;
    bool running_ = false;
};

} // namespace

std::unique_ptr<Microphones> makePulseMicrophones(QSettings& settings) {
    return std::make_unique<PulseMicrophones>(settings);
}

MicrophoneOpener pulseMicrophoneOpener() {
    return [](const std::optional<Microphone>& microphone) -> std::unique_ptr<MicrophoneCapture> {
        if (!microphone)
            throw LumbexError(unavailable());
        const auto server = askServer();
        if (!server)
            throw LumbexError(unavailable());
        for (size_t i = 0; i < server->microphones.size(); ++i)
            if (server->microphones[i].id == microphone->id)
                return std::make_unique<PulseMicrophoneCapture>(*microphone, server->formats[i]);
        throw LumbexError(unavailable());
    };
}

} // namespace lumbex
