#include "platform/audio_files.h"
#include "platform/pocketsphinx_speech.h"
#include "support/temporary_folder.h"
#include "voice/audio_converter.h"
#include "voice/voice_audio_writer.h"
#include "voice/voice_signal.h"

#include <QFile>
#include <gtest/gtest.h>
#include <mutex>

namespace lumbex {
namespace {

// "go forward ten meters" as a 48 kHz stereo microphone would deliver it, between stretches of
// room noise.
AudioBuffer microphoneTake() {
    QFile file(QStringLiteral("/usr/share/pocketsphinx/test/data/goforward.raw"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();
    AudioBuffer speech{{16000, 1}, {}};
    for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
        speech.samples.push_back(float(qint16(quint8(raw[i]) | quint8(raw[i + 1]) << 8)) / 32768);
    AudioConverter up({16000, 1}, {48000, 1});
    AudioBuffer mono = up.convert(speech);
    const AudioBuffer tail = up.finish();
    mono.samples.insert(mono.samples.end(), tail.samples.begin(), tail.samples.end());

    AudioBuffer take{{48000, 2}, {}};
    quint32 state = 1;
    const auto noise = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            state = state * 1664525u + 1013904223u;
            const float n = (float(state >> 8) / float(1 << 24) - 0.5f) * 0.0006f;
            take.samples.push_back(n);
            take.samples.push_back(n);
        }
    };
    noise(48000);
    for (const float s : mono.samples) {
        take.samples.push_back(s);
        take.samples.push_back(s * 0.5f);
    }
    noise(48000);
    return take;
}

TEST(VoicePipelineTest, MicrophoneAudioIsStoredMeasuredAndTranscribedWithSpeechInItsRange) {
    test::TemporaryFolder folder;
    std::mutex mutex;
    std::vector<VoiceTranscript> results;
    // Fed faster than real time, so without the live backlog limit.
    auto speech = makePocketsphinxSpeech("en-US", true, {}, [&](const VoiceTranscript& r) {
        const std::lock_guard lock(mutex);
        results.push_back(r);
    });
    VoiceSignal signal;
    const QString path = folder.path("audio.caf");
    auto writer = voiceAudioWriterFactory()({48000, 2}, speech.get(), signal, path);
    const AudioBuffer take = microphoneTake();
    // 10 ms buffers, as a microphone delivers them.
    for (qint64 at = 0; at < take.frames(); at += 480)
        writer->append({take.format,
                        {take.samples.begin() + at * 2,
                         take.samples.begin() + std::min(at + 480, take.frames()) * 2}});
    const auto [duration, failure] = writer->finish();
    ASSERT_FALSE(failure) << failure->message().toStdString();
    speech->finish();

    EXPECT_NEAR(duration, double(take.frames()) / 48000, 1e-9);
    EXPECT_EQ(openAudioFile(path)->frameCount(), take.frames());
    EXPECT_TRUE(signal.hasSignal());
    EXPECT_FALSE(signal.hasSignal(AudioTimeRange{0.0, 0.4}));

    std::vector<VoiceTranscript> finals;
    for (const auto& r : results)
        if (r.isFinal)
            finals.push_back(r);
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_EQ(finals[0].text, "go forward ten meters");
    // The range the recogniser gives holds the loud part: the words are not taken for noise.
    ASSERT_TRUE(finals[0].range);
    EXPECT_TRUE(signal.hasSignal(finals[0].range));
    // It covers the words, which run from about 1.3 s to 3.6 s of the take.
    EXPECT_LE(finals[0].range->start, 1.3);
    EXPECT_GE(finals[0].range->end, 3.2);
    EXPECT_LE(finals[0].range->end, duration);
    for (const auto& r : results)
        if (!r.isFinal) {
            ASSERT_TRUE(r.range);
            EXPECT_TRUE(signal.hasSignal(r.range)) << r.text.toStdString();
        }
}

} // namespace
} // namespace lumbex
