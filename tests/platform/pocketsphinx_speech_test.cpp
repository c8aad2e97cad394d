#include "platform/audio_files.h"
#include "platform/pocketsphinx_speech.h"

#include <QFile>
#include <atomic>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace lumbex {
namespace {

const QString kData = QStringLiteral("/usr/share/pocketsphinx/test/data");
const AudioFormat kFormat{16000, 1};

// The packaged recording of "go forward ten meters": raw 16 kHz 16-bit little-endian.
AudioBuffer goForward() {
    QFile file(kData + "/goforward.raw");
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray raw = file.readAll();
    AudioBuffer buffer{kFormat, {}};
    for (qsizetype i = 0; i + 1 < raw.size(); i += 2)
        buffer.samples.push_back(float(qint16(quint8(raw[i]) | quint8(raw[i + 1]) << 8)) / 32768);
    return buffer;
}

AudioBuffer silence(double seconds) {
    return {kFormat, std::vector<float>(size_t(seconds * 16000), 0.0f)};
}

void feed(LocalSpeech& speech, const AudioBuffer& audio, qint64 chunk = 1365) {
    for (qint64 at = 0; at < audio.frames(); at += chunk)
        speech.append({kFormat,
                       {audio.samples.begin() + at,
                        audio.samples.begin() + std::min(at + chunk, audio.frames())}});
}

struct Results {
    std::mutex mutex;
    std::vector<VoiceTranscript> all;
    void add(const VoiceTranscript& r) {
        const std::lock_guard lock(mutex);
        all.push_back(r);
    }
    std::vector<VoiceTranscript> finals() {
        std::vector<VoiceTranscript> out;
        for (const auto& r : all)
            if (r.isFinal)
                out.push_back(r);
        return out;
    }
};

std::unique_ptr<LocalSpeech> speechFor(Results& results, bool fileInput = true) {
    return makePocketsphinxSpeech("en-US", fileInput, {},
                                  [&](const VoiceTranscript& r) { results.add(r); });
}

TEST(PocketsphinxSpeechTest, TranscribesTheRecordedCommand) {
    Results results;
    auto speech = speechFor(results);
    EXPECT_EQ(speech->format(), kFormat);
    feed(*speech, goForward());
    speech->finish();
    const auto finals = results.finals();
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_EQ(finals[0].text, "go forward ten meters");
    EXPECT_EQ(finals[0].fullText, "go forward ten meters");
    EXPECT_EQ(finals[0].segment, 0);
    ASSERT_TRUE(finals[0].range);
    EXPECT_GE(finals[0].range->start, 0.0);
    EXPECT_LE(finals[0].range->start, 0.8);
    EXPECT_GT(finals[0].range->end, 1.5);
    EXPECT_LE(finals[0].range->end, goForward().frames() / 16000.0 + 0.01);
    // Partial hypotheses came first, with the final's segment number.
    ASSERT_GT(results.all.size(), 1u);
    EXPECT_FALSE(results.all.front().isFinal);
    for (const auto& r : results.all)
        EXPECT_EQ(r.segment, 0);
}

TEST(PocketsphinxSpeechTest, EachPauseEndsASegment) {
    Results results;
    auto speech = speechFor(results);
    for (int i = 0; i < 3; ++i) {
        feed(*speech, goForward());
        feed(*speech, silence(1.0));
    }
    speech->finish();
    const auto finals = results.finals();
    ASSERT_EQ(finals.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(finals[size_t(i)].segment, i);
    EXPECT_EQ(finals[1].text, " go forward ten meters");
    EXPECT_EQ(finals[2].fullText, finals[0].text + finals[1].text + finals[2].text);
    EXPECT_EQ(finals[2].fullText, "go forward ten meters go forward ten meters go forward ten "
                                  "meters");
    EXPECT_GT(finals[1].range->start, finals[0].range->end);
    // Every volatile result carries the number of the final that follows it.
    int segment = 0;
    for (const auto& r : results.all) {
        EXPECT_EQ(r.segment, segment);
        if (r.isFinal)
            ++segment;
    }
}

TEST(PocketsphinxSpeechTest, SilenceGivesNoResult) {
    Results results;
    auto speech = speechFor(results);
    feed(*speech, silence(3.0));
    speech->finish();
    EXPECT_TRUE(results.all.empty());
}

TEST(PocketsphinxSpeechTest, KoreanIsUnavailable) {
    try {
        makePocketsphinxSpeech("ko-KR", false, {}, {});
        ADD_FAILURE();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(),
                  "On-device transcription is unavailable for this language. You can keep typing.");
    }
}

TEST(PocketsphinxSpeechTest, AMissingModelIsNotReady) {
    try {
        makePocketsphinxSpeech("en-US", false, {}, {}, {}, "/nonexistent");
        ADD_FAILURE();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), "The speech model is not ready. Try again when the language "
                                   "download has finished.");
    }
}

// A transcript callback that holds the recogniser's thread until the test lets it go.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool open = false;
    void wait() {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [this] { return open; });
    }
    void waitUntilEntered() {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return entered; });
    }
    void release() {
        const std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
};

TEST(PocketsphinxSpeechTest, LiveInputFallingBehindByMoreThan256BuffersFails) {
    Gate gate;
    auto speech =
        makePocketsphinxSpeech("en-US", false, {}, [&](const VoiceTranscript&) { gate.wait(); });
    feed(*speech, goForward());
    gate.waitUntilEntered();
    std::optional<QString> failure;
    int accepted = 0;
    for (int i = 0; i < 400 && !failure; ++i) {
        try {
            speech->append(silence(0.01));
            ++accepted;
        } catch (const LumbexError& error) {
            failure = error.message();
        }
    }
    gate.release();
    ASSERT_TRUE(failure);
    EXPECT_EQ(*failure, "Transcription could not keep up. Your recorded audio has been kept.");
    EXPECT_LE(accepted, 256);
    EXPECT_GT(accepted, 200);
}

TEST(PocketsphinxSpeechTest, FileInputQueuesWithoutLimit) {
    Gate gate;
    auto speech =
        makePocketsphinxSpeech("en-US", true, {}, [&](const VoiceTranscript&) { gate.wait(); });
    feed(*speech, goForward());
    gate.waitUntilEntered();
    for (int i = 0; i < 1000; ++i)
        speech->append(silence(0.01));
    gate.release();
    speech->finish();
}

TEST(PocketsphinxSpeechTest, CancelReleasesABlockedFinishAndStopsInput) {
    Gate gate;
    std::atomic<int> delivered = 0;
    auto speech = makePocketsphinxSpeech("en-US", false, {}, [&](const VoiceTranscript&) {
        ++delivered;
        gate.wait();
    });
    feed(*speech, goForward());
    gate.waitUntilEntered();
    std::thread finisher([&] { speech->finish(); });
    speech->cancel();
    finisher.join();
    EXPECT_THROW(speech->append(silence(0.01)), LumbexError);
    gate.release();
    speech.reset();
    EXPECT_EQ(delivered, 1);
}

TEST(PocketsphinxSpeechTest, AppendAfterFinishIsStopped) {
    Results results;
    auto speech = speechFor(results);
    speech->finish();
    try {
        speech->append(silence(0.1));
        ADD_FAILURE();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(),
                  "Transcription stopped unexpectedly. Your recorded audio has been kept.");
    }
}

TEST(PocketsphinxSpeechTest, TranscribesRecordedBookSpeech) {
    const auto input =
        openAudioFile(kData + "/librivox/sense_and_sensibility_01_austen_64kb-0880.wav");
    Results results;
    auto speech = speechFor(results);
    feed(*speech, input->read(input->frameCount()));
    speech->finish();
    ASSERT_FALSE(results.finals().empty());
    EXPECT_TRUE(results.finals().back().fullText.contains("young man"))
        << results.finals().back().fullText.toStdString();
}

} // namespace
} // namespace lumbex
