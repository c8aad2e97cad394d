#include "recording/recording_segment_writer.h"
#include "support/fake_recording_media.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <latch>
#include <semaphore>
#include <thread>

namespace lumbex {
namespace {

using test::picture;
using test::sound;

constexpr qint64 kSecond = 1000000;
constexpr qint64 kFrame = kRecordingFrameMicroseconds;
// Host times start far from 0, as a monotonic clock's do.
constexpr qint64 kT0 = 777 * kSecond;

std::string messageOf(const std::function<void()>& body) {
    try {
        body();
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return "no error";
}

// Waits until the movie has seen `pictures` pictures and `sounds` sounds, so that refusals set
// afterwards apply to what comes next, not to samples still on the queue.
void waitForMovie(test::FakeMovieLog& log, size_t pictures, size_t sounds = 0) {
    for (int i = 0; i < 2000; ++i) {
        {
            const std::lock_guard guard(log.lock);
            if (log.videoTimes.size() >= pictures && log.audioTimes.size() >= sounds)
                return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FAIL() << "the samples never reached the movie";
}

class SegmentWriterTest : public ::testing::Test {
protected:
    std::unique_ptr<RecordingSegmentWriter> makeWriter(std::vector<RecordingAudio> audio = {},
                                                       int width = 640, int height = 480) {
        return std::make_unique<RecordingSegmentWriter>(folder.path() + "/rec", segmentID, width,
                                                        height, audio, movies.factory());
    }
    test::FakeMovieLog& log() { return *movies.logs.at(0); }
    RecordingSegment finish(RecordingSegmentWriter& writer, qint64 end) {
        return writer.finish(end, movies.inspector());
    }

    test::TemporaryFolder folder;
    test::FakeMovies movies;
    const Id segmentID = newId();
};

TEST_F(SegmentWriterTest, BitRateIsFourBitsPerPixelWithinBounds) {
    EXPECT_EQ(RecordingSegmentWriter::videoBitRate(1920, 1080), 8294400);
    EXPECT_EQ(RecordingSegmentWriter::videoBitRate(200, 200), 300000);
    EXPECT_EQ(RecordingSegmentWriter::videoBitRate(4096, 2304), 20000000);

    makeWriter({}, 1920, 1080);
    EXPECT_EQ(log().settings.videoBitRate, 8294400);
    EXPECT_EQ(log().settings.path, folder.path() + "/rec/" + idString(segmentID) + ".mov");
    EXPECT_DOUBLE_EQ(log().settings.fragmentSeconds, 2.0);
}

TEST_F(SegmentWriterTest, RefusesSizesAndFragmentLengthsTheEncoderCannotTake) {
    struct Row {
        int width;
        int height;
        double fragment;
    };
    for (const Row row : {Row{1281, 720, 2}, Row{1280, 721, 2}, Row{0, 720, 2}, Row{16386, 2, 2},
                          Row{1280, 720, 0.5}, Row{1280, 720, 31}, Row{1280, 720, std::nan("")}})
        EXPECT_EQ(messageOf([&] {
                      RecordingSegmentWriter(folder.path(), newId(), row.width, row.height, {},
                                             movies.factory(), row.fragment);
                  }),
                  "Choose a supported recording size.")
            << row.width << "×" << row.height << " / " << row.fragment;
    EXPECT_TRUE(movies.logs.empty()) << "no movie is opened for a refused size";
    EXPECT_NO_THROW(
        RecordingSegmentWriter(folder.path(), newId(), 2, 16384, {}, movies.factory(), 30));
}

TEST_F(SegmentWriterTest, AudioTracksFollowTheFixedRoleOrder) {
    makeWriter({RecordingAudio::Microphone, RecordingAudio::System});
    EXPECT_EQ(log().settings.audio,
              (std::vector{RecordingAudio::System, RecordingAudio::Microphone}));
}

TEST_F(SegmentWriterTest, AStillScreenKeepsItsLengthThroughTheTailFrame) {
    auto writer = makeWriter();
    writer->enqueueVideo(picture(kT0));
    const RecordingSegment segment = finish(*writer, kT0 + 3 * kSecond);
    EXPECT_EQ(log().videoTimes, (std::vector{kT0, kT0 + 3 * kSecond - kFrame}));
    EXPECT_EQ(log().sessionStart, kT0);
    EXPECT_EQ(log().sessionEnd, kT0 + 3 * kSecond);
    EXPECT_EQ(segment.duration, 3 * kSecond);
    EXPECT_EQ(segment.hostStart, kT0);
    EXPECT_EQ(segment.hostEnd, kT0 + 3 * kSecond);
    EXPECT_TRUE(log().finished);
}

TEST_F(SegmentWriterTest, AnEndBeforeTheLastFrameIsOverEndsOneFrameAfterIt) {
    auto writer = makeWriter();
    writer->enqueueVideo(picture(kT0));
    writer->enqueueVideo(picture(kT0 + kSecond));
    finish(*writer, kT0 + kSecond + 10);
    EXPECT_EQ(log().videoTimes, (std::vector{kT0, kT0 + kSecond})) << "no tail frame";
    EXPECT_EQ(log().sessionEnd, kT0 + kSecond + kFrame);
}

// At most three pictures are handed over at a time here, so that none finds the queue full.
TEST_F(SegmentWriterTest, LateAndRefusedPicturesAreCountedAndSkipped) {
    auto writer = makeWriter();
    writer->enqueueVideo(picture(kT0 + 100));
    writer->enqueueVideo(picture(kT0 + 100)); // not later
    writer->enqueueVideo(picture(kT0 + 50));  // earlier
    waitForMovie(log(), 1);
    writer->enqueueVideo(picture(kT0 + 200));
    waitForMovie(log(), 2);
    {
        const std::lock_guard guard(log().lock);
        log().refuseVideo = 1;
    }
    writer->enqueueVideo(picture(kT0 + 300));               // refused
    writer->enqueueVideo(VideoSample{QImage(), kT0 + 350}); // no picture: ignored, not counted
    writer->enqueueVideo(picture(kT0 + 400));
    const RecordingSegment segment = finish(*writer, kT0 + 400 + kFrame);
    EXPECT_EQ(log().videoTimes, (std::vector<qint64>{kT0 + 100, kT0 + 200, kT0 + 400}));
    EXPECT_EQ(segment.droppedVideo, 3);
    EXPECT_EQ(segment.droppedAudio, 0);
}

TEST_F(SegmentWriterTest, SoundBeforeTheFirstPictureWaitsForItUpToALimit) {
    auto writer = makeWriter({RecordingAudio::Microphone});
    for (int i = 0; i <= RecordingSegmentWriter::kPendingAudioLimit; ++i)
        writer->enqueueAudio(RecordingAudio::Microphone, sound(kT0 + 10 + i));
    writer->enqueueVideo(picture(kT0));
    const RecordingSegment segment = finish(*writer, kT0 + kSecond);
    ASSERT_EQ(log().audioTimes.size(), size_t(RecordingSegmentWriter::kPendingAudioLimit));
    for (size_t i = 0; i < log().audioTimes.size(); ++i)
        EXPECT_EQ(log().audioTimes[i].second, kT0 + 10 + qint64(i)) << "arrival order";
    EXPECT_EQ(segment.droppedAudio, 1) << "the 121st waiting sound";
}

TEST_F(SegmentWriterTest, SoundIsCheckedPerRoleAfterThePictureStarted) {
    auto writer = makeWriter({RecordingAudio::System, RecordingAudio::Microphone});
    writer->enqueueVideo(picture(kT0 + 1000));
    writer->enqueueAudio(RecordingAudio::System, sound(kT0 + 500)); // before the first picture
    writer->enqueueAudio(RecordingAudio::System, sound(kT0 + 2000));
    writer->enqueueAudio(RecordingAudio::Microphone, sound(kT0 + 2000));       // other role: fine
    writer->enqueueAudio(RecordingAudio::System, sound(kT0 + 2000));           // not later
    writer->enqueueAudio(RecordingAudio::System, sound(kT0 + 1500));           // earlier
    writer->enqueueAudio(RecordingAudio::System, AudioSample{{}, kT0 + 9000}); // empty: ignored
    waitForMovie(log(), 1, 2);
    {
        const std::lock_guard guard(log().lock);
        log().refuseAudio = 1;
    }
    writer->enqueueAudio(RecordingAudio::System, sound(kT0 + 3000)); // refused
    writer->enqueueAudio(RecordingAudio::System, sound(kT0 + 4000));
    const RecordingSegment segment = finish(*writer, kT0 + kSecond);
    using Entry = std::pair<RecordingAudio, qint64>;
    EXPECT_EQ(log().audioTimes, (std::vector<Entry>{{RecordingAudio::System, kT0 + 2000},
                                                    {RecordingAudio::Microphone, kT0 + 2000},
                                                    {RecordingAudio::System, kT0 + 4000}}));
    EXPECT_EQ(segment.droppedAudio, 3);
}

TEST_F(SegmentWriterTest, SoundForARoleThatWasNotAskedForIsIgnored) {
    auto writer = makeWriter({RecordingAudio::System});
    writer->enqueueVideo(picture(kT0));
    writer->enqueueAudio(RecordingAudio::Microphone, sound(kT0 + 10));
    const RecordingSegment segment = finish(*writer, kT0 + kSecond);
    EXPECT_TRUE(log().audioTimes.empty());
    EXPECT_EQ(segment.droppedAudio, 0);
}

TEST_F(SegmentWriterTest, PicturesThatFindTheQueueFullAreDropped) {
    std::binary_semaphore release(0);
    std::latch entered(1);
    bool first = true;
    movies.prepare = [&](test::FakeMovieLog& log) {
        log.beforeVideo = [&] {
            if (std::exchange(first, false)) {
                entered.count_down();
                release.acquire();
            }
        };
    };
    auto writer = makeWriter();
    writer->enqueueVideo(picture(kT0)); // held inside the movie
    entered.wait();
    for (int i = 1; i <= 4; ++i)
        writer->enqueueVideo(picture(kT0 + i * kFrame));
    release.release();
    const RecordingSegment segment = finish(*writer, kT0 + 3 * kFrame);
    EXPECT_EQ(log().videoTimes, (std::vector{kT0, kT0 + kFrame, kT0 + 2 * kFrame}));
    EXPECT_EQ(segment.droppedVideo, 2);
}

TEST_F(SegmentWriterTest, KeepAliveRewritesTheLastPictureOnlyAfterAStillStretch) {
    constexpr qint64 kStill = RecordingSegmentWriter::kKeepAliveMicroseconds;
    auto writer = makeWriter();
    writer->enqueueKeepAlive(kT0 + 5 * kSecond); // nothing to repeat yet
    writer->enqueueVideo(picture(kT0));
    writer->enqueueKeepAlive(kT0 + kStill - 1);
    writer->enqueueKeepAlive(kT0 + kStill + 1);
    writer->enqueueKeepAlive(kT0 + kStill + 2);
    finish(*writer, kT0 + kStill + 2);
    EXPECT_EQ(log().videoTimes, (std::vector{kT0, kT0 + kStill + 1})) << "no tail is needed";
    EXPECT_EQ(log().sessionEnd, kT0 + kStill + 1 + kFrame);
}

TEST_F(SegmentWriterTest, FinishFailuresSayWhatHappenedToTheFiles) {
    {
        auto writer = makeWriter();
        EXPECT_EQ(messageOf([&] { finish(*writer, kT0); }),
                  "No video frames arrived. No complete recording was saved.");
        EXPECT_TRUE(log().cancelled);
        EXPECT_EQ(messageOf([&] { finish(*writer, kT0); }),
                  "This recording segment is already finishing.");
    }
    const struct {
        int refuse;
        bool failFinish;
        const char* message;
    } rows[] = {
        {RecordingSegmentWriter::kTailAttempts, false,
         "The video encoder stopped accepting frames. Earlier fragments have been kept for "
         "recovery."},
        {RecordingSegmentWriter::kTailAttempts - 1, false, "no error"},
        {0, true, "The recording could not be finalized. Its files have been kept for recovery."},
    };
    for (const auto& row : rows) {
        test::FakeMovies rowMovies;
        RecordingSegmentWriter writer(folder.path() + "/row", newId(), 64, 48, {},
                                      rowMovies.factory());
        writer.enqueueVideo(picture(kT0));
        auto& log = *rowMovies.logs.at(0);
        waitForMovie(log, 1);
        EXPECT_EQ(messageOf([&] {
                      {
                          const std::lock_guard guard(log.lock);
                          log.refuseVideo = row.refuse;
                          log.failFinish = row.failFinish;
                      }
                      writer.finish(kT0 + kSecond, rowMovies.inspector());
                  }),
                  row.message)
            << row.refuse;
        EXPECT_TRUE(QFile::exists(log.settings.path)) << "the file stays";
    }
}

TEST_F(SegmentWriterTest, AFileThatCanNoLongerBeWrittenIsToldOnce) {
    std::vector<std::string> told;
    std::mutex lock;
    auto writer = makeWriter({RecordingAudio::System});
    writer->setFailed([&](const LumbexError& error) {
        const std::lock_guard guard(lock);
        told.push_back(error.message().toStdString());
    });
    writer->enqueueVideo(picture(kT0));
    waitForMovie(log(), 1);
    {
        const std::lock_guard guard(log().lock);
        log().refuseVideo = 1; // an ordinary refusal first: nothing to tell
    }
    writer->enqueueVideo(picture(kT0 + kFrame));
    writer->enqueueVideo(picture(kT0 + 2 * kFrame));
    waitForMovie(log(), 2);
    EXPECT_TRUE(told.empty());
    {
        const std::lock_guard guard(log().lock);
        log().failure = LumbexError(QStringLiteral("Could not write “x.mov”: No space left."));
    }
    writer->enqueueVideo(picture(kT0 + 3 * kFrame));
    writer->enqueueAudio(RecordingAudio::System, sound(kT0 + 3 * kFrame));
    writer->enqueueVideo(picture(kT0 + 4 * kFrame));
    EXPECT_NE(messageOf([&] { finish(*writer, kT0 + kSecond); }), "no error");
    EXPECT_EQ(told, std::vector<std::string>{"Could not write “x.mov”: No space left."});
}

TEST_F(SegmentWriterTest, TheFirstPictureIsAnnouncedOnce) {
    std::vector<qint64> announced;
    std::mutex lock;
    auto writer = makeWriter();
    writer->setFirstFrame([&](qint64 time) {
        const std::lock_guard guard(lock);
        announced.push_back(time);
    });
    writer->enqueueVideo(picture(kT0 + 5));
    writer->enqueueVideo(picture(kT0 + 6));
    finish(*writer, kT0 + kSecond);
    EXPECT_EQ(announced, (std::vector<qint64>{kT0 + 5}));
}

TEST_F(SegmentWriterTest, TheFolderIsMadeWithTheFoldersAboveIt) {
    RecordingSegmentWriter writer(folder.path() + "/a/b/c", newId(), 64, 48, {}, movies.factory());
    EXPECT_TRUE(QDir(folder.path() + "/a/b/c").exists());
    QFile::link(folder.path() + "/a", folder.path() + "/link");
    EXPECT_NE(messageOf([&] {
                  RecordingSegmentWriter(folder.path() + "/link/new", newId(), 64, 48, {},
                                         movies.factory());
              }),
              "no error")
        << "a folder path through a link is refused";
}

} // namespace
} // namespace lumbex
