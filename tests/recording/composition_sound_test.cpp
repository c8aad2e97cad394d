#include "platform/segment_sound.h"
#include "recording/recording_player.h"
#include "recording/recording_sound_playback.h"
#include "recording/segment_folder.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

namespace lumbex {
namespace {

using test::SegmentFolder;

constexpr qint64 kTrimStart = 650'000;
constexpr qint64 kTrimEnd = 1'400'000; // in the second segment

// The shift of `part` (left channel, `frames` long) against `whole` at `at`, within 60 frames,
// at which the two differ least.
qint64 bestLag(const std::vector<float>& whole, qint64 at, const std::vector<float>& part,
               qint64 frames) {
    qint64 best = 0;
    double least = std::numeric_limits<double>::max();
    for (qint64 lag = -60; lag <= 60; ++lag) {
        double difference = 0;
        for (qint64 frame = 100; frame < frames - 100; ++frame)
            difference += std::abs(whole[size_t((at + frame + lag) * 2)] - part[size_t(frame * 2)]);
        if (difference < least) {
            least = difference;
            best = lag;
        }
    }
    return best;
}

// Two one-second segments with system sound and microphone sound (the same tone), trimmed
// across their boundary.
class CompositionSoundTest : public testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 2; ++i)
            segments.addSegment(Qt::gray, 1, {RecordingAudio::System, RecordingAudio::Microphone});
        segments.recording().trim = RecordingRange{kTrimStart, kTrimEnd};
    }

    std::shared_ptr<RecordingComposition> compose() {
        return std::make_shared<RecordingComposition>(segments.compose());
    }

    std::vector<float> whole(const CompositionSound& sound) const {
        return sound.read(0, kTrimEnd - kTrimStart);
    }

    SegmentFolder segments;
};

TEST_F(CompositionSoundTest, PlacesEachPiecesSoundAtItsOutputTime) {
    segments.recording().muteMicrophone = true;
    const CompositionSound sound(compose(), readSegmentSound);
    ASSERT_TRUE(sound.audible());
    const std::vector<float> mix = whole(sound);
    ASSERT_EQ(qint64(mix.size()), CompositionSound::frameIndex(kTrimEnd - kTrimStart) * 2);
    // Output 0 is source 0.65 s of the first file; the second file starts where the first ends.
    const qint64 secondStart = segments.segmentStart(1);
    const qint64 boundary = CompositionSound::frameIndex(secondStart - kTrimStart);
    struct Piece {
        size_t segment;
        qint64 fileStart, fileEnd, outputFrame;
    };
    for (const Piece& piece :
         {Piece{0, kTrimStart, secondStart, 0}, Piece{1, 0, kTrimEnd - secondStart, boundary}}) {
        SCOPED_TRACE(piece.segment);
        const RecordingSegment& segment = segments.recording().segments[piece.segment];
        std::vector<float> file;
        readSegmentSound(segments.segmentFile(piece.segment),
                         segment.audioTracks.at(RecordingAudio::System), piece.fileStart,
                         piece.fileEnd, [&](const AudioSample& chunk) {
                             file.insert(file.end(), chunk.samples.begin(), chunk.samples.end());
                         });
        ASSERT_GT(file.size(), size_t(10'000));
        // Decoding from another seek point changes a few samples, not where the tone lies: the
        // file's sound fits the mix best exactly where the piece was placed, to the frame.
        const qint64 frames = qint64(file.size() / 2);
        EXPECT_EQ(bestLag(mix, piece.outputFrame, file, frames), 0);
    }
}

TEST_F(CompositionSoundTest, SumsThePlacedKindsAndLeavesMutedOnesOut) {
    const auto mixWith = [&](bool muteSystem, bool muteMicrophone) {
        segments.recording().muteSystem = muteSystem;
        segments.recording().muteMicrophone = muteMicrophone;
        const CompositionSound sound(compose(), readSegmentSound);
        EXPECT_EQ(sound.audible(), !(muteSystem && muteMicrophone));
        return whole(sound);
    };
    const std::vector<float> system = mixWith(false, true);
    const std::vector<float> microphone = mixWith(true, false);
    const std::vector<float> both = mixWith(false, false);
    const std::vector<float> none = mixWith(true, true);
    ASSERT_EQ(both.size(), system.size());
    float loudest = 0;
    for (size_t i = 0; i < both.size(); ++i) {
        ASSERT_EQ(both[i], std::clamp(system[i] + microphone[i], -1.0f, 1.0f)) << i;
        loudest = std::max(loudest, std::abs(system[i]));
    }
    EXPECT_GT(loudest, 0.2f);
    EXPECT_TRUE(std::all_of(none.begin(), none.end(), [](float sample) { return sample == 0; }));
}

TEST_F(CompositionSoundTest, ConsecutiveWindowsJoinWithoutGapsOrOverlaps) {
    const CompositionSound sound(compose(), readSegmentSound);
    const std::vector<float> expected = whole(sound);
    std::vector<float> joined;
    // Odd window lengths, so that windows end between frames and across the segment boundary.
    for (qint64 from = 0; from < kTrimEnd - kTrimStart; from += 137'123) {
        const std::vector<float> window =
            sound.read(from, std::min(from + 137'123, kTrimEnd - kTrimStart));
        joined.insert(joined.end(), window.begin(), window.end());
    }
    ASSERT_EQ(joined.size(), expected.size());
    EXPECT_EQ(joined, expected);
}

// Collects what would be heard; optionally slow, like a real sound server.
class FakeOutput : public SoundOutput {
public:
    struct Heard {
        std::mutex mutex;
        std::vector<float> sound;
        bool drained = false;
        bool discarded = false;
    };

    FakeOutput(std::shared_ptr<Heard> heard, std::chrono::milliseconds pace)
        : heard_(std::move(heard)), pace_(pace) {}

    void write(const std::vector<float>& sound) override {
        std::this_thread::sleep_for(pace_);
        const std::lock_guard lock(heard_->mutex);
        heard_->sound.insert(heard_->sound.end(), sound.begin(), sound.end());
    }
    void drain() override {
        const std::lock_guard lock(heard_->mutex);
        heard_->drained = true;
    }
    void discard() override {
        const std::lock_guard lock(heard_->mutex);
        heard_->discarded = true;
    }

private:
    std::shared_ptr<Heard> heard_;
    std::chrono::milliseconds pace_;
};

SoundOutputOpener fakeOutput(std::shared_ptr<FakeOutput::Heard> heard,
                             std::chrono::milliseconds pace = {}) {
    return [heard, pace] { return std::make_unique<FakeOutput>(heard, pace); };
}

TEST_F(CompositionSoundTest, PlaybackPlaysFromTheStartTimeToTheEnd) {
    const auto heard = std::make_shared<FakeOutput::Heard>();
    RecordingSoundPlayback playback(readSegmentSound, fakeOutput(heard));
    const std::shared_ptr<RecordingComposition> composition = compose();
    playback.start(composition, 300'000);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::lock_guard lock(heard->mutex);
            return heard->drained;
        },
        10'000));
    const std::lock_guard lock(heard->mutex);
    EXPECT_EQ(
        heard->sound,
        CompositionSound(composition, readSegmentSound).read(300'000, composition->duration()));
    EXPECT_FALSE(heard->discarded);
    EXPECT_FALSE(playback.takeProblem());
}

TEST_F(CompositionSoundTest, StoppingSilencesAtOnce) {
    const auto heard = std::make_shared<FakeOutput::Heard>();
    RecordingSoundPlayback playback(readSegmentSound,
                                    fakeOutput(heard, std::chrono::milliseconds(20)));
    playback.start(compose(), 0);
    QTest::qWait(100);
    playback.stop();
    const std::lock_guard lock(heard->mutex);
    EXPECT_TRUE(heard->discarded);
    EXPECT_FALSE(heard->drained);
    EXPECT_LT(heard->sound.size(), size_t(CompositionSound::frameIndex(500'000) * 2));
}

TEST_F(CompositionSoundTest, AMovieWithoutSoundOpensNoOutput) {
    segments.recording().muteSystem = true;
    segments.recording().muteMicrophone = true;
    bool opened = false;
    RecordingSoundPlayback playback(readSegmentSound, [&]() -> std::unique_ptr<SoundOutput> {
        opened = true;
        return nullptr;
    });
    playback.start(compose(), 0);
    playback.stop();
    EXPECT_FALSE(opened);
}

TEST_F(CompositionSoundTest, APlayerWithoutASoundServerPlaysItsPicturesAndSaysSoOnce) {
    RecordingPlayer player;
    player.setSound(readSegmentSound, []() -> std::unique_ptr<SoundOutput> {
        throw LumbexError(QStringLiteral("no server"));
    });
    QSignalSpy problems(&player, &RecordingPlayer::soundFailed);
    player.load(compose());
    player.play();
    ASSERT_TRUE(problems.wait(10'000));
    EXPECT_EQ(problems.takeFirst().at(0).toString(), QStringLiteral("no server"));
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.isPlaying(); }, 10'000));
    EXPECT_EQ(player.position(), player.duration());
    EXPECT_TRUE(problems.isEmpty());
}

TEST_F(CompositionSoundTest, PausingAPlayerStopsItsSound) {
    const auto heard = std::make_shared<FakeOutput::Heard>();
    RecordingPlayer player;
    player.setSound(readSegmentSound, fakeOutput(heard, std::chrono::milliseconds(20)));
    player.load(compose());
    player.play();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            const std::lock_guard lock(heard->mutex);
            return !heard->sound.empty();
        },
        10'000));
    player.pause();
    const std::lock_guard lock(heard->mutex);
    EXPECT_TRUE(heard->discarded);
}

} // namespace
} // namespace lumbex
