#include "core/error.h"
#include "platform/sound_output.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace lumbex {
namespace {

// Enough to ride out a busy moment of the GUI, short enough that sound and pictures stay within
// what a viewer notices.
constexpr int kBufferMilliseconds = 60;

class PulseAudioOutput final : public SoundOutput {
public:
    PulseAudioOutput() {
        const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kRecordingAudioRate,
                                    uint8_t(kRecordingAudioChannels)};
        const uint32_t bytes = uint32_t(pa_usec_to_bytes(kBufferMilliseconds * 1000, &format));
        const pa_buffer_attr buffer{uint32_t(-1), bytes, uint32_t(-1), uint32_t(-1), uint32_t(-1)};
        int error = 0;
        stream_ = pa_simple_new(nullptr, "Lumbex", PA_STREAM_PLAYBACK, nullptr, "Recording",
                                &format, nullptr, &buffer, &error);
        if (!stream_)
            throw LumbexError(QStringLiteral("The recording’s sound cannot be played: %1.")
                                  .arg(QString::fromUtf8(pa_strerror(error))));
    }

    ~PulseAudioOutput() override { pa_simple_free(stream_); }

    void write(const std::vector<float>& sound) override {
        int error = 0;
        if (pa_simple_write(stream_, sound.data(), sound.size() * sizeof(float), &error) < 0)
            throw LumbexError(QStringLiteral("The recording’s sound stopped playing: %1.")
                                  .arg(QString::fromUtf8(pa_strerror(error))));
    }

    void drain() override {
        int error = 0;
        pa_simple_drain(stream_, &error);
    }

    void discard() override {
        int error = 0;
        pa_simple_flush(stream_, &error);
    }

private:
    pa_simple* stream_ = nullptr;
};

} // namespace

std::unique_ptr<SoundOutput> openPulseAudioOutput() {
    return std::make_unique<PulseAudioOutput>();
}

} // namespace lumbex
