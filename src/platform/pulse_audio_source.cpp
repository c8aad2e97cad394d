#include "core/error.h"
#include "platform/audio_timeline.h"
#include "platform/pulse_connection.h"
#include "platform/recording_sources.h"

#include <pulse/pulseaudio.h>

namespace lumbex {
namespace {

// A server that accepts the connection but never answers must not hold the recorder.
constexpr pa_usec_t kConnectTimeout = 5 * PA_USEC_PER_SEC;
constexpr pa_usec_t kFragment = 20 * PA_USEC_PER_MSEC;

QString openFailure(RecordingAudio role) {
    return role == RecordingAudio::Microphone
               ? QStringLiteral("No microphone could be opened. Check that one is connected and "
                                "allowed in the sound settings, then start again.")
               : QStringLiteral("The computer’s sound could not be recorded. Check the sound "
                                "settings, then start again.");
}

QString lostFailure(RecordingAudio role) {
    return role == RecordingAudio::Microphone
               ? QStringLiteral("The microphone stopped delivering sound. Check that it is still "
                                "connected, then start again.")
               : QStringLiteral("The computer’s sound stopped being recorded. Check the sound "
                                "settings, then start again.");
}

class PulseAudioSource final : public RecordingAudioSource {
public:
    explicit PulseAudioSource(RecordingAudio role) : role_(role) {
        mainloop_ = pa_threaded_mainloop_new();
        if (!mainloop_ || pa_threaded_mainloop_start(mainloop_) < 0) {
            release();
            throw LumbexError(openFailure(role_));
        }
        pa_threaded_mainloop_lock(mainloop_);
        const bool opened = connect() && openStream();
        pa_threaded_mainloop_unlock(mainloop_);
        if (!opened) {
            release();
            throw LumbexError(openFailure(role_));
        }
    }

    ~PulseAudioSource() override { release(); }

    void start(Deliver deliver, Failed failed) override {
        pa_threaded_mainloop_lock(mainloop_);
        deliver_ = std::move(deliver);
        failed_ = std::move(failed);
        running_ = true;
        pa_operation* uncork = pa_stream_cork(stream_, 0, nullptr, nullptr);
        if (uncork)
            pa_operation_unref(uncork);
        pa_threaded_mainloop_unlock(mainloop_);
        if (!uncork)
            throw LumbexError(openFailure(role_));
    }

    void stop() override {
        if (!mainloop_)
            return;
        pa_threaded_mainloop_lock(mainloop_);
        running_ = false;
        pa_threaded_mainloop_unlock(mainloop_);
        // Joins the loop's thread: no callback runs after this.
        pa_threaded_mainloop_stop(mainloop_);
    }

private:
    // Waits (with the loop locked) until `done` holds or the connection time runs out.
    template <typename Done> bool waitUntil(Done done) {
        timedOut_ = false;
        pa_time_event* timer = pa_context_rttime_new(
            context_, pa_rtclock_now() + kConnectTimeout,
            [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
                auto* source = static_cast<PulseAudioSource*>(self);
                source->timedOut_ = true;
                pa_threaded_mainloop_signal(source->mainloop_, 0);
            },
            this);
        std::optional<bool> result;
        while (!(result = done()) && !timedOut_)
            pa_threaded_mainloop_wait(mainloop_);
        pa_threaded_mainloop_get_api(mainloop_)->time_free(timer);
        return result.value_or(false);
    }

    static void signalLoop(void* self) {
        pa_threaded_mainloop_signal(static_cast<PulseAudioSource*>(self)->mainloop_, 0);
    }

    bool connect() {
        context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Lumbex");
        if (!context_)
            return false;
        pa_context_set_state_callback(
            context_,
            [](pa_context* context, void* self) {
                static_cast<PulseAudioSource*>(self)->contextChanged(context);
            },
            this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        return waitUntil([&] { return contextConnected(context_); });
    }

    bool openStream() {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, uint32_t(kRecordingAudioRate),
                                    uint8_t(kRecordingAudioChannels)};
        stream_ = pa_stream_new(context_,
                                role_ == RecordingAudio::Microphone ? "Lumbex microphone"
                                                                    : "Lumbex system audio",
                                &format, nullptr);
        if (!stream_)
            return false;
        pa_stream_set_state_callback(
            stream_,
            [](pa_stream* stream, void* self) {
                static_cast<PulseAudioSource*>(self)->streamChanged(stream);
            },
            this);
        pa_stream_set_read_callback(
            stream_,
            [](pa_stream* stream, size_t, void* self) {
                static_cast<PulseAudioSource*>(self)->readable(stream);
            },
            this);
        const uint32_t automatic = uint32_t(-1);
        const pa_buffer_attr buffer{automatic, automatic, automatic, automatic,
                                    uint32_t(pa_usec_to_bytes(kFragment, &format))};
        const auto flags =
            pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                              PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE);
        const char* device = role_ == RecordingAudio::System ? "@DEFAULT_MONITOR@" : nullptr;
        if (pa_stream_connect_record(stream_, device, &buffer, flags) < 0)
            return false;
        return waitUntil([&]() -> std::optional<bool> {
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

    void contextChanged(pa_context* context) {
        const pa_context_state_t state = pa_context_get_state(context);
        if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED)
            lost();
        signalLoop(this);
    }

    void streamChanged(pa_stream* stream) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            lost();
        signalLoop(this);
    }

    void lost() {
        if (!running_)
            return;
        running_ = false;
        failed_(LumbexError(lostFailure(role_)));
    }

    void readable(pa_stream* stream) {
        const void* data = nullptr;
        size_t bytes = 0;
        while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) == 0 &&
               bytes > 0) {
            const qint64 arrival = hostClockMicroseconds();
            // Without data the server reports a hole (a gap in the recording); it is dropped.
            std::vector<float> samples;
            if (data) {
                const auto* first = static_cast<const float*>(data);
                samples.assign(first, first + bytes / sizeof(float));
            }
            pa_stream_drop(stream);
            if (!data || !running_)
                continue;
            // What is still buffered after this chunk, plus the chunk itself, was recorded before
            // now: the chunk's first frame is that long ago.
            pa_usec_t latency = 0;
            int negative = 0;
            if (pa_stream_get_latency(stream, &latency, &negative) < 0 || negative)
                latency = 0;
            AudioSample sample{std::move(samples), 0};
            sample.time = timeline_.place(arrival - qint64(latency) -
                                              sample.frameCount() * 1'000'000 / kRecordingAudioRate,
                                          sample.frameCount());
            deliver_(std::move(sample));
        }
    }

    void release() {
        if (!mainloop_)
            return;
        stop();
        if (stream_) {
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_) {
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
        pa_threaded_mainloop_free(mainloop_);
        mainloop_ = nullptr;
    }

    const RecordingAudio role_;
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    bool timedOut_ = false;

    // Touched with the loop locked.
    Deliver deliver_;
    Failed failed_;
    bool running_ = false;
    AudioTimeline timeline_;
};

} // namespace

std::unique_ptr<RecordingAudioSource> openPulseAudioSource(RecordingAudio role) {
    return std::make_unique<PulseAudioSource>(role);
}

} // namespace lumbex
