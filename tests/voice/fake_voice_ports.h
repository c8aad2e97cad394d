#pragma once

#include "voice/voice_ports.h"
#include "voice/voice_signal.h"

#include <QFile>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumbex::test {

// Loud (speech-like) or silent samples, as a function of the frame number.
using Loudness = std::function<float(qint64 frame)>;
inline float loud(qint64 frame) {
    return frame % 2 ? 0.3f : -0.3f;
}
inline float silent(qint64) {
    return 0.0f;
}

// An audio file of `frames` frames whose samples follow `loudness`.
class ScriptedAudioFile : public AudioFileInput {
public:
    ScriptedAudioFile(AudioFormat format, qint64 frames, Loudness loudness)
        : format_(format), frames_(frames), loudness_(std::move(loudness)) {}

    AudioFormat format() const override { return format_; }
    qint64 frameCount() const override { return frames_; }
    AudioBuffer read(qint64 frames) override {
        AudioBuffer buffer{format_, {}};
        const qint64 count = std::min(frames, frames_ - position_);
        for (qint64 i = 0; i < count; ++i, ++position_) {
            for (int c = 0; c < format_.channels; ++c)
                buffer.samples.push_back(loudness_(position_));
        }
        return buffer;
    }

private:
    AudioFormat format_;
    qint64 frames_;
    Loudness loudness_;
    qint64 position_ = 0;
};

// A recogniser that delivers what the test tells it to. finish() first delivers the results
// queued for the end, then returns; with `hangs` it waits for cancel().
class ScriptedSpeech : public LocalSpeech {
public:
    ScriptedSpeech(Status status, Transcript transcript)
        : status_(std::move(status)), transcript_(std::move(transcript)) {}

    AudioFormat format() const override { return {16000, 1}; }
    void append(const AudioBuffer& buffer) override {
        appended += buffer.frames();
        ++buffers;
    }
    void finish() override {
        finished = true;
        for (const VoiceTranscript& result : atFinish)
            transcript_(result);
        if (failure)
            throw LumbexError(*failure);
        std::unique_lock lock(mutex_);
        if (hangs)
            wake_.wait(lock, [&] { return cancelled.load(); });
    }
    void cancel() override {
        std::lock_guard lock(mutex_);
        cancelled = true;
        wake_.notify_all();
    }

    void say(const VoiceTranscript& result) { transcript_(result); }
    void tell(const QString& status) { status_(status); }

    std::vector<VoiceTranscript> atFinish;
    std::optional<QString> failure;
    bool hangs = false;
    std::atomic<qint64> appended{0};
    std::atomic<int> buffers{0};
    std::atomic<bool> finished{false};
    std::atomic<bool> cancelled{false};

private:
    Status status_;
    Transcript transcript_;
    std::mutex mutex_;
    std::condition_variable wake_;
};

// Measures every buffer into the signal, reports level and duration on each append, and writes
// a small stand-in file at the path on finish.
class FakeWriter : public VoiceAudioWriter {
public:
    FakeWriter(AudioFormat format, VoiceSignal& signal, QString path)
        : format_(format), signal_(signal), path_(std::move(path)) {}

    void onLevel(Level level) override { level_ = std::move(level); }
    void onFailure(Failure failure) override { failure_ = std::move(failure); }
    void append(const AudioBuffer& buffer) override {
        if (failed_)
            return;
        if (failAfterFrames && frames_ >= *failAfterFrames) {
            failed_ =
                LumbexError(QStringLiteral("The disk is full. Your recorded audio has been kept."));
            failure_(*failed_);
            return;
        }
        bufferSizes.push_back(buffer.frames());
        const double level = signal_.append(buffer);
        frames_ += buffer.frames();
        level_(level, double(frames_) / format_.sampleRate);
    }
    std::pair<double, std::optional<LumbexError>> finish() override {
        if (frames_ > 0) {
            QFile file(path_);
            if (file.open(QIODevice::WriteOnly))
                file.write(QByteArray("caff") + QByteArray::number(frames_));
        }
        return {double(frames_) / format_.sampleRate, failed_};
    }

    std::optional<qint64> failAfterFrames;
    std::vector<qint64> bufferSizes;

private:
    AudioFormat format_;
    VoiceSignal& signal_;
    QString path_;
    Level level_;
    Failure failure_;
    qint64 frames_ = 0;
    std::optional<LumbexError> failed_;
};

// A microphone that pushes `buffersToSend` buffers of `framesPerBuffer` frames from its own
// thread, then (with `failWith`) fails, or keeps quiet until stopped.
class FakeCapture : public MicrophoneCapture {
public:
    FakeCapture(AudioFormat format, qint64 framesPerBuffer, int buffersToSend, Loudness loudness)
        : format_(format), framesPerBuffer_(framesPerBuffer), buffersToSend_(buffersToSend),
          loudness_(std::move(loudness)) {}
    ~FakeCapture() override { stop(); }

    AudioFormat format() const override { return format_; }
    void start(Receive receive, Failure failure) override {
        thread_ = std::thread([this, receive, failure] {
            qint64 frame = 0;
            for (int i = 0; i < buffersToSend_ && !stopping_; ++i) {
                AudioBuffer buffer{format_, {}};
                for (qint64 f = 0; f < framesPerBuffer_; ++f, ++frame)
                    buffer.samples.push_back(loudness_(frame));
                receive(buffer);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            if (failWith && !stopping_)
                failure(LumbexError(*failWith));
        });
    }
    void stop() override {
        stopping_ = true;
        if (thread_.joinable())
            thread_.join();
    }

    std::optional<QString> failWith;

private:
    AudioFormat format_;
    qint64 framesPerBuffer_;
    int buffersToSend_;
    Loudness loudness_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

} // namespace lumbex::test
