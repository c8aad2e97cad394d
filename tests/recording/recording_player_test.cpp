#include "recording/recording_player.h"
#include "recording/segment_folder.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::SegmentFolder;

constexpr int kWait = 10'000;

// Red, green and blue segments of one second each, trimmed to 1.75 s across all three.
class RecordingPlayerTest : public testing::Test {
protected:
    void SetUp() override {
        segments.addSegment(Qt::red, 1);
        segments.addSegment(Qt::green, 1);
        segments.addSegment(Qt::blue, 1);
        segments.recording().trim = RecordingRange{650'000, segments.segmentStart(2) + 400'000};
        composition = std::make_shared<RecordingComposition>(segments.compose(80));
    }

    // Every picture the player shows from now on.
    std::vector<RenderedFrame>& collect() {
        QObject::connect(&player, &RecordingPlayer::pictureChanged, [this] {
            if (!player.picture().isNull())
                shown.push_back(player.frame());
        });
        return shown;
    }

    QImage still(qint64 sourceTime) const { return composition->frameAt(sourceTime).render(); }

    SegmentFolder segments;
    std::shared_ptr<RecordingComposition> composition;
    RecordingPlayer player;
    std::vector<RenderedFrame> shown;
};

TEST_F(RecordingPlayerTest, APausedSeekShowsTheStillOfThatTime) {
    player.load(composition);
    const qint64 rangeStart = composition->recording().selectedRange().start;
    const qint64 times[] = {
        0, 1, 149'999, 350'000, 700'000, 1'349'999, composition->duration() - 1};
    for (const qint64 time : times) {
        SCOPED_TRACE(time);
        player.seek(time);
        EXPECT_EQ(player.position(), time);
        EXPECT_EQ(player.sourcePosition(), rangeStart + time);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !player.picture().isNull() && player.frame().outputTime == time; },
            kWait));
        EXPECT_EQ(player.frame().sourceTime, rangeStart + time);
        EXPECT_EQ(player.picture(), still(rangeStart + time));
        EXPECT_FALSE(player.isPlaying());
    }
}

TEST_F(RecordingPlayerTest, OnlyTheLatestOfManySeeksIsShown) {
    player.load(composition);
    collect();
    for (qint64 time = 0; time < composition->duration(); time += 50'000)
        player.seek(time);
    player.seek(420'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }, kWait));
    QTest::qWait(300); // time for a stale picture to arrive, if one could
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].outputTime, 420'000);
    EXPECT_EQ(shown[0].image, still(composition->recording().selectedRange().start + 420'000));
}

TEST_F(RecordingPlayerTest, PlayingShowsTheExportedPicturesInOrderAndStopsAtTheEnd) {
    player.load(composition);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.picture().isNull(); }, kWait));
    collect();
    QSignalSpy playing(&player, &RecordingPlayer::playingChanged);
    player.play();
    EXPECT_TRUE(player.isPlaying());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.isPlaying(); }, kWait));
    ASSERT_EQ(playing.count(), 2);
    EXPECT_EQ(player.position(), composition->duration());

    // Pictures change every 100 ms, so at most a late one or two may be dropped.
    ASSERT_GE(shown.size(), 12u);
    qint64 previous = -1;
    for (const RenderedFrame& frame : shown) {
        SCOPED_TRACE(frame.sourceTime);
        EXPECT_GT(frame.outputTime, previous);
        previous = frame.outputTime;
        EXPECT_EQ(frame.image, still(frame.sourceTime));
    }
    EXPECT_GE(shown.back().sourceTime, segments.segmentStart(2) + 300'000);

    // Play at the end starts over.
    shown.clear();
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }, kWait));
    EXPECT_EQ(shown.front().outputTime, 0);
    player.pause();
    EXPECT_FALSE(player.isPlaying());
    const qint64 paused = player.position();
    QTest::qWait(200);
    EXPECT_EQ(player.position(), paused);
}

// Pictures that cannot be decoded.
class BrokenPictures final : public SegmentPictures {
public:
    void seek(qint64) override {}
    std::optional<SegmentPicture> next() override {
        throw LumbexError(QStringLiteral("The recording contains no readable video."));
    }
};

TEST_F(RecordingPlayerTest, ADecodingFailurePausesWithItsMessage) {
    const auto broken = std::make_shared<RecordingComposition>(RecordingComposition::make(
        segments.recording(), segments.path(), std::nullopt, true,
        [](const QString&) { return std::make_unique<BrokenPictures>(); }));
    QSignalSpy failed(&player, &RecordingPlayer::failed);
    player.load(broken);
    player.play();
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.count() == 1; }, kWait));
    EXPECT_EQ(failed.at(0).at(0).toString(), "The recording contains no readable video.");
    EXPECT_FALSE(player.isPlaying());
    EXPECT_TRUE(player.picture().isNull());
}

TEST_F(RecordingPlayerTest, NoCompositionShowsNothing) {
    player.load(composition);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !player.picture().isNull(); }, kWait));
    player.load(nullptr);
    player.play();
    EXPECT_FALSE(player.isPlaying());
    EXPECT_TRUE(player.picture().isNull());
    EXPECT_EQ(player.duration(), 0);
}

} // namespace
} // namespace lumbex
