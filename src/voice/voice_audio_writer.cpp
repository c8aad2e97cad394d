#include "voice/voice_audio_writer.h"

#include "core/serial_queue.h"
#include "voice/audio_converter.h"
#include "voice/voice_signal.h"

#include <mutex>
#include <optional>

namespace lumbex {
namespace {

constexpr std::chrono::milliseconds kMeterSpacing{100};

class QueuedVoiceAudioWriter : public VoiceAudioWriter {
public:
    QueuedVoiceAudioWriter(const AudioFormat& source, LocalSpeech* speech, VoiceSignal& signal,
                           const QString& path, const AudioFileCreator& create, VoiceClock clock)
        : source_(source), speech_(speech), signal_(signal),
          clock_(clock ? std::move(clock) : [] { return std::chrono::steady_clock::now(); }) {
        if (speech_)
            converter_.emplace(source, speech_->format());
        file_ = create(path, source);
    }

    ~QueuedVoiceAudioWriter() override {
        // The queue's destructor runs what is posted; closing after it keeps the file whole.
        queue_.reset();
        if (file_) {
            try {
                file_->close();
            } catch (const LumbexError&) {
            }
        }
    }

    void onLevel(Level level) override {
        const std::lock_guard lock(mutex_);
        level_ = std::move(level);
    }

    void onFailure(Failure failure) override {
        const std::lock_guard lock(mutex_);
        failureCallback_ = std::move(failure);
    }

    void append(const AudioBuffer& buffer) override {
        queue_->post([this, buffer] { write(buffer); });
    }

    std::pair<double, std::optional<LumbexError>> finish() override {
        return queue_->run([this] {
            if (!failure_ && converter_) {
                try {
                    const AudioBuffer tail = converter_->finish();
                    if (tail.frames() > 0)
                        speech_->append(tail);
                } catch (const LumbexError& error) {
                    fail(error);
                }
            }
            if (file_) {
                try {
                    file_->close();
                } catch (const LumbexError& error) {
                    fail(error);
                }
                file_.reset();
            }
            return std::pair{double(frames_) / source_.sampleRate, failure_};
        });
    }

private:
    void write(const AudioBuffer& buffer) {
        if (failure_ || !file_)
            return;
        try {
            file_->write(buffer);
            frames_ += buffer.frames();
            const double level = signal_.append(buffer);
            if (converter_) {
                const AudioBuffer converted = converter_->convert(buffer);
                if (converted.frames() > 0)
                    speech_->append(converted);
            }
            const auto now = clock_();
            if (!lastMeter_ || now - *lastMeter_ >= kMeterSpacing) {
                lastMeter_ = now;
                Level level_callback;
                {
                    const std::lock_guard lock(mutex_);
                    level_callback = level_;
                }
                if (level_callback)
                    level_callback(level, double(frames_) / source_.sampleRate);
            }
        } catch (const LumbexError& error) {
            fail(error);
        }
    }

    void fail(const LumbexError& error) {
        if (failure_)
            return;
        failure_ = error;
        Failure callback;
        {
            const std::lock_guard lock(mutex_);
            callback = failureCallback_;
        }
        if (callback)
            callback(error);
    }

    const AudioFormat source_;
    LocalSpeech* const speech_;
    VoiceSignal& signal_;
    const VoiceClock clock_;
    std::optional<AudioConverter> converter_;
    std::unique_ptr<AudioFileOutput> file_;
    qint64 frames_ = 0;
    std::optional<LumbexError> failure_;
    std::optional<std::chrono::steady_clock::time_point> lastMeter_;
    std::mutex mutex_;
    Level level_;
    Failure failureCallback_;
    // Last, so that it is built after and destroyed before everything its tasks touch.
    std::unique_ptr<SerialQueue> queue_ = std::make_unique<SerialQueue>();
};

} // namespace

std::unique_ptr<VoiceAudioWriter>
makeVoiceAudioWriter(const AudioFormat& source, LocalSpeech* speech, VoiceSignal& signal,
                     const QString& path, const AudioFileCreator& create, VoiceClock clock) {
    return std::make_unique<QueuedVoiceAudioWriter>(source, speech, signal, path, create,
                                                    std::move(clock));
}

VoiceAudioWriterFactory voiceAudioWriterFactory(AudioFileCreator create) {
    return [create = std::move(create)](const AudioFormat& source, LocalSpeech* speech,
                                        VoiceSignal& signal, const QString& path) {
        return makeVoiceAudioWriter(source, speech, signal, path, create);
    };
}

} // namespace lumbex
