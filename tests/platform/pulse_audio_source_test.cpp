#include "core/error.h"
#include "platform/recording_sources.h"
#include "support/frame_collector.h"
#include "support/pulse_server.h"
#include "support/qt_printers.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <gtest/gtest.h>
#include <thread>

namespace lumbex {
namespace {

using Chunks = std::vector<AudioSample>;

double loudest(const AudioSample& chunk) {
    double peak = 0;
    for (float value : chunk.samples)
        peak = std::max(peak, double(std::fabs(value)));
    return peak;
}

// The left channel's frequency from its zero crossings.
double frequency(const Chunks& chunks) {
    qint64 frames = 0;
    int crossings = 0;
    float previous = 0;
    for (const AudioSample& chunk : chunks)
        for (size_t i = 0; i < chunk.samples.size(); i += kRecordingAudioChannels, ++frames) {
            const float value = chunk.samples[i];
            if (frames > 0 && (previous < 0) != (value < 0))
                ++crossings;
            previous = value;
        }
    return frames ? crossings / 2.0 / (double(frames) / kRecordingAudioRate) : 0;
}

class PulseAudioSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server.missing().isEmpty())
            GTEST_SKIP() << server.missing().toStdString();
        ASSERT_TRUE(server.running()) << "the private PulseAudio server did not start";
    }

    // Records `role` for about a second of a 1 kHz tone; the chunks from the first loud one on.
    Chunks recordTone(RecordingAudio role) {
        test::SampleCollector<AudioSample> collected;
        auto source = openPulseAudioSource(role);
        source->start(collected.deliver(), collected.failed());
        const auto player = server.playTone(1000, 3);
        const auto loudChunks = [](const Chunks& all) {
            return std::count_if(all.begin(), all.end(),
                                 [](const AudioSample& chunk) { return loudest(chunk) > 0.3; });
        };
        EXPECT_TRUE(
            collected.waitFor([&](const Chunks& all) { return loudChunks(all) >= 60; }, 5000))
            << "no tone arrived";
        source->stop();
        EXPECT_TRUE(collected.failures().empty());
        Chunks all = collected.samples();
        const auto firstLoud = std::find_if(
            all.begin(), all.end(), [](const AudioSample& chunk) { return loudest(chunk) > 0.3; });
        // The tone may start inside a chunk: analyse from the next one.
        return firstLoud == all.end() ? Chunks() : Chunks(std::next(firstLoud), all.end());
    }

    test::PulseServer server;
};

TEST_F(PulseAudioSourceTest, SystemAudioIsTheToneThatPlays) {
    const Chunks chunks = recordTone(RecordingAudio::System);
    ASSERT_GE(chunks.size(), 40u);
    EXPECT_NEAR(frequency(chunks), 1000, 20);

    qint64 frames = 0;
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (i > 0) {
            EXPECT_GT(chunks[i].time, chunks[i - 1].time) << "chunk " << i;
        }
        const qint64 expected = chunks[0].time + frames * 1'000'000 / kRecordingAudioRate;
        EXPECT_NEAR(double(chunks[i].time), double(expected), 30'000) << "chunk " << i;
        EXPECT_EQ(chunks[i].samples.size() % kRecordingAudioChannels, 0u);
        frames += chunks[i].frameCount();
    }
    const double seconds = double(chunks.back().time - chunks.front().time) / 1e6 +
                           double(chunks.back().frameCount()) / kRecordingAudioRate;
    EXPECT_NEAR(frames / seconds, 48000, 2400);
    // Chunks of about 20 ms.
    EXPECT_LE(chunks[chunks.size() / 2].frameCount(), 48000 / 50 * 2);
}

TEST_F(PulseAudioSourceTest, TheMicrophoneIsTheDefaultSource) {
    const Chunks chunks = recordTone(RecordingAudio::Microphone);
    ASSERT_GE(chunks.size(), 40u);
    EXPECT_NEAR(frequency(chunks), 1000, 20);
}

TEST_F(PulseAudioSourceTest, StopIsPromptAndEndsTheCallbacks) {
    test::SampleCollector<AudioSample> collected;
    auto source = openPulseAudioSource(RecordingAudio::System);
    source->start(collected.deliver(), collected.failed());
    ASSERT_TRUE(collected.waitFor([](const Chunks& all) { return all.size() >= 5; }, 3000));
    QElapsedTimer elapsed;
    elapsed.start();
    source->stop();
    EXPECT_LT(elapsed.elapsed(), 200);
    const int callbacks = collected.callbacks();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(collected.callbacks(), callbacks);
}

TEST_F(PulseAudioSourceTest, AServerThatGoesAwayFailsTheRecordingOnce) {
    test::SampleCollector<AudioSample> collected;
    auto source = openPulseAudioSource(RecordingAudio::Microphone);
    source->start(collected.deliver(), collected.failed());
    ASSERT_TRUE(collected.waitFor([](const Chunks& all) { return !all.empty(); }, 3000));
    server.stop();
    ASSERT_TRUE(collected.waitForFailure(3000));
    source->stop();
    EXPECT_EQ(collected.failures(),
              std::vector{QStringLiteral("The microphone stopped delivering sound. Check that it "
                                         "is still connected, then start again.")});
}

TEST_F(PulseAudioSourceTest, SoundThatCannotBeOpenedIsRefusedWithinSeconds) {
    // Accepts connections and never answers.
    QLocalServer silent;
    ASSERT_TRUE(silent.listen(server.folder().filePath(QStringLiteral("silent"))));
    const QString system = QStringLiteral(
        "The computer’s sound could not be recorded. Check the sound settings, then start again.");
    const QString microphone =
        QStringLiteral("No microphone could be opened. Check that one is connected and allowed "
                       "in the sound settings, then start again.");
    struct Row {
        const char* name;
        QString address;
        RecordingAudio role;
        QString message;
    } rows[] = {
        {"no server, system audio", QStringLiteral("unix:") + server.folder().filePath("none"),
         RecordingAudio::System, system},
        {"no server, microphone", QStringLiteral("unix:") + server.folder().filePath("none"),
         RecordingAudio::Microphone, microphone},
        {"a server that never answers", QStringLiteral("unix:") + silent.fullServerName(),
         RecordingAudio::Microphone, microphone},
    };
    for (const Row& row : rows) {
        qputenv("PULSE_SERVER", row.address.toLocal8Bit());
        QElapsedTimer elapsed;
        elapsed.start();
        try {
            openPulseAudioSource(row.role);
            ADD_FAILURE() << row.name << ": opened";
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message(), row.message) << row.name;
        }
        EXPECT_LT(elapsed.elapsed(), 7000) << row.name;
    }
}

} // namespace
} // namespace lumbex
