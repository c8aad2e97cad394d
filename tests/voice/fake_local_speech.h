#pragma once

#include "voice/voice_ports.h"

#include <mutex>

namespace lumbex::test {

// A recogniser that keeps what it is given and fails on demand.
class FakeLocalSpeech : public LocalSpeech {
public:
    explicit FakeLocalSpeech(AudioFormat format = {16000, 1}) : format_(format) {}

    AudioFormat format() const override { return format_; }
    void append(const AudioBuffer& buffer) override {
        const std::lock_guard lock(mutex_);
        if (failAfter_ && appended_ >= *failAfter_)
            throw LumbexError(QStringLiteral("Transcription could not keep up. Your recorded "
                                             "audio has been kept."));
        ++appended_;
        frames_ += buffer.frames();
        if (!(buffer.format == format_))
            wrongFormat_ = true;
    }
    void finish() override {}
    void cancel() override {}

    void failAfter(int buffers) { failAfter_ = buffers; }
    qint64 frames() const {
        const std::lock_guard lock(mutex_);
        return frames_;
    }
    int appended() const {
        const std::lock_guard lock(mutex_);
        return appended_;
    }
    bool wrongFormat() const { return wrongFormat_; }

private:
    AudioFormat format_;
    mutable std::mutex mutex_;
    std::optional<int> failAfter_;
    int appended_ = 0;
    qint64 frames_ = 0;
    bool wrongFormat_ = false;
};

} // namespace lumbex::test
