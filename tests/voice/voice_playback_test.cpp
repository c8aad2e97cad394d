// Playing a voice recording: the stored audio reaches the speakers as 48 kHz stereo, a stop is
// silent at once, and a missing sound server or file becomes a problem, never a crash.
#include "support/event_waiting.h"
#include "support/temporary_folder.h"
#include "voice/voice_playback.h"

#include <QFile>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace lumbex {
namespace {

// A tone of `frames` frames, every channel alike.
class ToneFile : public AudioFileInput {
public:
    ToneFile(AudioFormat format, qint64 frames) : format_(format), frames_(frames) {}
    AudioFormat format() const override { return format_; }
    qint64 frameCount() const override { return frames_; }
    AudioBuffer read(qint64 frames) override {
        const qint64 count = std::min(frames, frames_ - position_);
        AudioBuffer buffer{format_, {}};
        for (qint64 i = 0; i < count; ++i, ++position_)
            for (int c = 0; c < format_.channels; ++c)
                buffer.samples.push_back(
                    float(0.5 * std::sin(2 * M_PI * 440 * double(position_) / format_.sampleRate)));
        return buffer;
    }

private:
    AudioFormat format_;
    qint64 frames_;
    qint64 position_ = 0;
};

// What reached the speakers.
struct Heard {
    std::mutex mutex;
    std::vector<float> samples;
    int drains = 0;
    int discards = 0;
    int writes = 0;
};

class HeardOutput : public SoundOutput {
public:
    HeardOutput(std::shared_ptr<Heard> heard, std::chrono::milliseconds perWrite)
        : heard_(std::move(heard)), perWrite_(perWrite) {}
    void write(const std::vector<float>& sound) override {
        std::this_thread::sleep_for(perWrite_);
        const std::lock_guard lock(heard_->mutex);
        heard_->samples.insert(heard_->samples.end(), sound.begin(), sound.end());
        ++heard_->writes;
    }
    void drain() override {
        const std::lock_guard lock(heard_->mutex);
        ++heard_->drains;
    }
    void discard() override {
        const std::lock_guard lock(heard_->mutex);
        ++heard_->discards;
    }

private:
    std::shared_ptr<Heard> heard_;
    std::chrono::milliseconds perWrite_;
};

AudioFileOpener toneOpener(AudioFormat format, qint64 frames) {
    return [=](const QString& path) -> std::unique_ptr<AudioFileInput> {
        if (!QFile::exists(path))
            throw LumbexError(QStringLiteral("This audio file couldn’t be read."));
        return std::make_unique<ToneFile>(format, frames);
    };
}

QString audioFile(test::TemporaryFolder& folder) {
    const QString path = folder.path(QStringLiteral("voice.caf"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("audio");
    return path;
}

struct Format {
    AudioFormat format;
    qint64 frames;
};

class PlaysToTheEnd : public testing::TestWithParam<Format> {};

TEST_P(PlaysToTheEnd, AsStereoAtTheSpeakersRate) {
    const Format input = GetParam();
    test::TemporaryFolder folder;
    auto heard = std::make_shared<Heard>();
    VoicePlayback playback(toneOpener(input.format, input.frames), [heard] {
        return std::make_unique<HeardOutput>(heard, std::chrono::milliseconds(0));
    });
    std::optional<std::optional<QString>> ended;
    playback.finished = [&](const std::optional<QString>& problem) { ended = problem; };
    const Id id = newId();
    const QString path = audioFile(folder);
    playback.play(id, path, true);
    EXPECT_EQ(playback.playing(), id);
    ASSERT_TRUE(test::processEventsUntil([&] { return ended.has_value(); }, 10000));
    EXPECT_FALSE(*ended);
    EXPECT_FALSE(playback.playing());
    EXPECT_FALSE(QFile::exists(path)) << "the temporary copy goes once opened";
    const std::lock_guard lock(heard->mutex);
    EXPECT_EQ(heard->drains, 1);
    EXPECT_EQ(heard->discards, 0);
    ASSERT_EQ(heard->samples.size() % 2, 0u);
    const double seconds = double(heard->samples.size() / 2) / kRecordingAudioRate;
    EXPECT_NEAR(seconds, double(input.frames) / input.format.sampleRate, 0.002);
    double energy = 0;
    for (std::size_t i = 0; i + 1 < heard->samples.size(); i += 2) {
        ASSERT_EQ(heard->samples[i], heard->samples[i + 1]) << "both sides at frame " << i / 2;
        energy += heard->samples[i] * heard->samples[i];
    }
    // A 0.5 sine has a mean square of 0.125, whatever the rate it came in.
    EXPECT_NEAR(energy / double(heard->samples.size() / 2), 0.125, 0.01);
    // Short writes, so that a stop is heard within one of them.
    EXPECT_GE(heard->writes, int(seconds * 50));
}

INSTANTIATE_TEST_SUITE_P(Formats, PlaysToTheEnd,
                         testing::Values(Format{{16000, 1}, 16000}, Format{{44100, 2}, 22050},
                                         Format{{48000, 1}, 4800}, Format{{8000, 1}, 8000}));

TEST(VoicePlayback, StopIsSilentAtOnceAndEndsTheThread) {
    test::TemporaryFolder folder;
    auto heard = std::make_shared<Heard>();
    // Ten minutes of sound that plays in real time.
    VoicePlayback playback(toneOpener({16000, 1}, 16000 * 600), [heard] {
        return std::make_unique<HeardOutput>(heard, std::chrono::milliseconds(20));
    });
    int ended = 0;
    playback.finished = [&](const std::optional<QString>&) { ++ended; };
    playback.play(newId(), audioFile(folder), false);
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            const std::lock_guard lock(heard->mutex);
            return heard->writes >= 3;
        },
        5000));
    playback.stop();
    EXPECT_FALSE(playback.playing());
    test::processEventsFor(100);
    const std::lock_guard lock(heard->mutex);
    EXPECT_EQ(heard->discards, 1);
    EXPECT_EQ(heard->drains, 0);
    EXPECT_LT(heard->samples.size(), std::size_t(kRecordingAudioRate) * 2 * 5);
    EXPECT_EQ(ended, 0) << "a stop the person asked for is no ending to report";
}

TEST(VoicePlayback, PlayingAnotherRecordingStopsTheFirst) {
    test::TemporaryFolder folder;
    auto heard = std::make_shared<Heard>();
    VoicePlayback playback(toneOpener({16000, 1}, 16000 * 600), [heard] {
        return std::make_unique<HeardOutput>(heard, std::chrono::milliseconds(20));
    });
    const Id first = newId();
    const Id second = newId();
    playback.play(first, audioFile(folder), false);
    playback.play(second, audioFile(folder), false);
    EXPECT_EQ(playback.playing(), second);
    test::processEventsFor(100);
    playback.stop();
    const std::lock_guard lock(heard->mutex);
    EXPECT_EQ(heard->discards, 2);
}

struct Failure {
    const char* what;
    bool fileOpens;
    bool outputOpens;
    const char* problem;
};

class FailsWithAProblem : public testing::TestWithParam<Failure> {};

TEST_P(FailsWithAProblem, ReportedOnce) {
    const Failure failure = GetParam();
    test::TemporaryFolder folder;
    AudioFileOpener openFile = [&](const QString& path) -> std::unique_ptr<AudioFileInput> {
        if (!failure.fileOpens)
            throw LumbexError(QString::fromUtf8(failure.problem));
        return toneOpener({16000, 1}, 1600)(path);
    };
    VoicePlayback playback(openFile, [&]() -> std::unique_ptr<SoundOutput> {
        if (!failure.outputOpens)
            throw LumbexError(QString::fromUtf8(failure.problem));
        return std::make_unique<HeardOutput>(std::make_shared<Heard>(),
                                             std::chrono::milliseconds(0));
    });
    std::vector<std::optional<QString>> ended;
    playback.finished = [&](const std::optional<QString>& problem) { ended.push_back(problem); };
    const QString path = audioFile(folder);
    playback.play(newId(), path, true);
    ASSERT_TRUE(test::processEventsUntil([&] { return !ended.empty(); }, 5000)) << failure.what;
    test::processEventsFor(50);
    ASSERT_EQ(ended.size(), 1u) << failure.what;
    EXPECT_EQ(ended[0], QString::fromUtf8(failure.problem)) << failure.what;
    EXPECT_FALSE(playback.playing());
    EXPECT_FALSE(QFile::exists(path)) << failure.what;
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailsWithAProblem,
    testing::Values(Failure{"no sound server", true, false,
                            "The recording’s sound cannot be played: Connection refused."},
                    Failure{"unreadable audio", false, true,
                            "This audio file couldn’t be read. Choose another recording, or "
                            "keep typing."}));

} // namespace
} // namespace lumbex
