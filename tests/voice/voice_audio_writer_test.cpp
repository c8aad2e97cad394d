#include "fake_local_speech.h"
#include "platform/audio_files.h"
#include "support/temporary_folder.h"
#include "voice/voice_audio_writer.h"
#include "voice/voice_signal.h"

#include <QFile>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace lumbex {
namespace {

using namespace std::chrono_literals;

AudioBuffer tone(qint64 frames, AudioFormat format, double amplitude = 0.25) {
    AudioBuffer buffer{format, {}};
    for (qint64 i = 0; i < frames; ++i)
        for (int c = 0; c < format.channels; ++c)
            buffer.samples.push_back(float(amplitude * std::sin(0.05 * double(i))));
    return buffer;
}

// A clock that moves only when the test moves it.
struct SteppedClock {
    std::shared_ptr<std::atomic<long>> milliseconds = std::make_shared<std::atomic<long>>(0);
    std::shared_ptr<std::atomic<int>> reads = std::make_shared<std::atomic<int>>(0);
    VoiceClock clock() const {
        return [m = milliseconds, r = reads] {
            const auto now = std::chrono::steady_clock::time_point(std::chrono::milliseconds(*m));
            ++*r;
            return now;
        };
    }
};

class VoiceAudioWriterTest : public testing::Test {
protected:
    test::TemporaryFolder folder;
    QString path = folder.path("audio.caf");
    VoiceSignal signal;
    test::FakeLocalSpeech speech;
};

TEST_F(VoiceAudioWriterTest, WritesTheSourceFormatAndFeedsTheRecogniser) {
    const AudioFormat source{48000, 2};
    auto writer = makeVoiceAudioWriter(source, &speech, signal, path, createCafFile);
    for (int i = 0; i < 25; ++i)
        writer->append(tone(4096, source));
    const auto [duration, failure] = writer->finish();
    EXPECT_FALSE(failure);
    EXPECT_DOUBLE_EQ(duration, 25 * 4096 / 48000.0);
    EXPECT_EQ(speech.frames(), qint64(std::ceil(25 * 4096 / 3.0)));
    EXPECT_FALSE(speech.wrongFormat());
    EXPECT_EQ(signal.windows().size(), size_t(25 * 4096 / 960));

    const auto input = openAudioFile(path);
    EXPECT_EQ(input->format(), source);
    EXPECT_EQ(input->frameCount(), 25 * 4096);
    const AudioBuffer back = input->read(4096);
    const AudioBuffer expected = tone(4096, source);
    for (size_t i = 0; i < back.samples.size(); ++i)
        ASSERT_NEAR(back.samples[i], expected.samples[i], 1.0 / 32768 + 1e-6) << i;
}

TEST_F(VoiceAudioWriterTest, MeterSpacingFollowsTheClock) {
    const AudioFormat source{16000, 1};
    SteppedClock clock;
    std::vector<std::pair<double, double>> levels;
    auto writer = makeVoiceAudioWriter(source, &speech, signal, path, createCafFile, clock.clock());
    writer->onLevel([&](double level, double duration) { levels.emplace_back(level, duration); });
    int appended = 0;
    for (long at : {0L, 50L, 99L, 100L, 150L, 250L}) {
        *clock.milliseconds = at;
        writer->append(tone(160, source, at == 250 ? 0 : 0.25));
        // The clock moves on only after the writer has read it for this buffer.
        ++appended;
        while (*clock.reads < appended)
            std::this_thread::yield();
    }
    writer->finish();
    ASSERT_EQ(levels.size(), 3u);
    EXPECT_DOUBLE_EQ(levels[0].second, 0.01);
    EXPECT_DOUBLE_EQ(levels[1].second, 0.04);
    EXPECT_DOUBLE_EQ(levels[2].second, 0.06);
    EXPECT_GT(levels[0].first, 0.5);
    EXPECT_EQ(levels[2].first, 0);
}

TEST_F(VoiceAudioWriterTest, FirstFailureWinsAndKeepsTheAudioWritten) {
    const AudioFormat source{16000, 1};
    speech.failAfter(3);
    auto writer = makeVoiceAudioWriter(source, &speech, signal, path, createCafFile);
    std::vector<QString> failures;
    writer->onFailure([&](const LumbexError& error) { failures.push_back(error.message()); });
    for (int i = 0; i < 10; ++i)
        writer->append(tone(1600, source));
    const auto [duration, failure] = writer->finish();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message(),
              "Transcription could not keep up. Your recorded audio has been kept.");
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], failure->message());
    // The fourth buffer was written to the file before the recogniser refused it.
    EXPECT_DOUBLE_EQ(duration, 0.4);
    EXPECT_EQ(openAudioFile(path)->frameCount(), 6400);
}

TEST_F(VoiceAudioWriterTest, ABufferInAnotherFormatFails) {
    const AudioFormat source{48000, 1};
    auto writer = makeVoiceAudioWriter(source, &speech, signal, path, createCafFile);
    writer->append(tone(480, source));
    writer->append(tone(480, {44100, 1}));
    writer->append(tone(480, source));
    const auto [duration, failure] = writer->finish();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message(), "The microphone format changed.");
    EXPECT_DOUBLE_EQ(duration, 0.01);
}

TEST_F(VoiceAudioWriterTest, RefusesAFormatItCannotTranscribe) {
    try {
        voiceAudioWriterFactory()({0, 1}, &speech, signal, path);
        ADD_FAILURE();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), "This audio format cannot be transcribed.");
    }
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(VoiceAudioWriterTest, NeverWritesThroughAnExistingFile) {
    const QString target = folder.write("elsewhere", "keep");
    ASSERT_TRUE(QFile::link(target, path));
    EXPECT_THROW(voiceAudioWriterFactory()({16000, 1}, &speech, signal, path), LumbexError);
    EXPECT_EQ(test::fileBytes(target), "keep");
}

} // namespace
} // namespace lumbex
