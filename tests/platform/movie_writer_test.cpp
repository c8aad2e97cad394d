#include "model/note_fixtures.h"
#include "platform/movie_fixtures.h"
#include "platform/recording_media.h"
#include "platform/segment_sound.h"
#include "support/temporary_folder.h"

#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

namespace lumbex {
namespace {

bool near(QRgb pixel, QColor expected, int tolerance = 30) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

TEST(MovieWriter, WritesH264WithoutReorderingTaggedBt709AndKeyFramesByElapsedTime) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("video.mov"));
    MovieSettings settings = test::movieSettings(path);
    settings.fragmentSeconds = 2;
    // Irregular pictures, a five-second still screen in the middle.
    const std::vector<qint64> times{0,         40'000,    90'000,    400'000,   950'000,  1'000'000,
                                    1'700'000, 2'300'000, 7'300'000, 7'333'334, 7'900'000};
    std::vector<test::Picture> pictures;
    for (size_t i = 0; i < times.size(); ++i)
        pictures.push_back({times[i], QColor::fromHsv(int(i * 30), 255, 255)});
    const qint64 end = times.back() + kRecordingFrameMicroseconds;
    test::writeMovie(settings, pictures, end);

    const auto streams = test::probeMovie(path);
    ASSERT_EQ(streams.size(), 1u);
    const test::ProbedStream& video = streams[0];
    EXPECT_EQ(video.codec, AV_CODEC_ID_H264);
    EXPECT_EQ(video.width, 160);
    EXPECT_EQ(video.height, 120);
    EXPECT_EQ(video.videoDelay, 0);
    EXPECT_EQ(video.primaries, AVCOL_PRI_BT709);
    EXPECT_EQ(video.transfer, AVCOL_TRC_BT709);
    EXPECT_EQ(video.matrix, AVCOL_SPC_BT709);
    // Key frames by elapsed time; across the still screen the picture it showed is written again
    // as a key frame every two seconds.
    const std::vector<std::pair<qint64, bool>> expected{
        {0, true},          {40'000, false},    {90'000, false},    {400'000, false},
        {950'000, false},   {1'000'000, false}, {1'700'000, false}, {2'000'000, true},
        {2'300'000, false}, {4'000'000, true},  {6'000'000, true},  {7'300'000, false},
        {7'333'334, false}, {7'900'000, false}};
    ASSERT_EQ(video.packets.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        const test::ProbedPacket& packet = video.packets[i];
        EXPECT_EQ(packet.pts, packet.dts);
        // Microsecond times survive exactly, also after the still screen.
        EXPECT_EQ(video.us(packet.pts), expected[i].first);
        EXPECT_EQ(packet.key, expected[i].second);
    }
    EXPECT_EQ(video.endUs(), end);
}

TEST(MovieWriter, WritesOneTitledAacTrackPerRoleInSyncWithThePicture) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("sound.mov"));
    std::vector<test::Picture> pictures;
    for (qint64 t = 0; t < 2'000'000; t += 100'000)
        pictures.push_back({t, Qt::gray});
    std::vector<test::Sound> sounds = test::toneFor(RecordingAudio::System, 2);
    // The microphone's chunks have another length and a 400 ms hole, which must not shift what
    // follows it.
    for (qint64 frame = 0; frame + 1000 <= 2 * kRecordingAudioRate; frame += 1000)
        if (frame < 48'000 || frame >= 67'200)
            sounds.push_back(
                {RecordingAudio::Microphone,
                 test::toneChunk(frame * 1'000'000 / kRecordingAudioRate, 1000, frame)});
    test::writeMovie(
        test::movieSettings(path, 160, 120, {RecordingAudio::System, RecordingAudio::Microphone}),
        pictures, 2'000'000, sounds);

    const auto streams = test::probeMovie(path);
    ASSERT_EQ(streams.size(), 3u);
    const char* titles[] = {"Lumbex System Audio", "Lumbex Microphone"};
    for (size_t i = 1; i < 3; ++i) {
        SCOPED_TRACE(titles[i - 1]);
        const test::ProbedStream& audio = streams[i];
        EXPECT_EQ(audio.codec, AV_CODEC_ID_AAC);
        EXPECT_EQ(audio.sampleRate, 48'000);
        EXPECT_EQ(audio.channels, 2);
        EXPECT_EQ(audio.handlerName, titles[i - 1]);
        ASSERT_FALSE(audio.packets.empty());
        EXPECT_EQ(audio.startUs(), 0);
        EXPECT_NEAR(double(audio.endUs()), 2'000'000.0, double(kRecordingFrameMicroseconds));
        for (size_t p = 1; p < audio.packets.size(); ++p)
            EXPECT_GT(audio.packets[p].dts, audio.packets[p - 1].dts);
    }
    EXPECT_EQ(streams[0].endUs(), 1'900'000 + kRecordingFrameMicroseconds);
}

// A rising sweep of `frames` frames from `time` µs after the session start; no two stretches of it
// look alike, so it can be found again to the sample.
AudioSample sweepChunk(qint64 time, qint64 frames) {
    AudioSample chunk;
    chunk.time = test::kSessionStart + time;
    chunk.samples.resize(size_t(frames * kRecordingAudioChannels));
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / kRecordingAudioRate;
        const float value = 0.3f * float(std::sin(2 * M_PI * (200 * t + 400 * t * t)));
        chunk.samples[size_t(i * 2)] = value;
        chunk.samples[size_t(i * 2 + 1)] = value;
    }
    return chunk;
}

// Sound written from any time is read back at that time: the encoder's priming never delays it.
TEST(MovieWriter, SoundIsReadBackAtTheTimeItWasRecorded) {
    for (const qint64 start : {qint64(0), qint64(300'000)}) {
        SCOPED_TRACE(start);
        const test::TemporaryFolder folder;
        const QString path = folder.path(QStringLiteral("sweep.mov"));
        const qint64 startFrame = start * kRecordingAudioRate / 1'000'000;
        const AudioSample sweep = sweepChunk(start, 2 * kRecordingAudioRate - startFrame);
        test::writeMovie(test::movieSettings(path, 160, 120, {RecordingAudio::System}),
                         {{0, Qt::gray}, {1'000'000, Qt::gray}}, 2'000'000,
                         {{RecordingAudio::System, sweep}});
        const RecordingSegment segment = inspectRecordingSegment(path, newId());
        std::vector<float> read;
        readSegmentSound(path, segment.audioTracks.at(RecordingAudio::System), 0, 2'000'000,
                         [&](const AudioSample& chunk) {
                             if (read.empty())
                                 read.resize(size_t(chunk.time * kRecordingAudioRate / 1'000'000 *
                                                    kRecordingAudioChannels));
                             read.insert(read.end(), chunk.samples.begin(), chunk.samples.end());
                         });
        // Compare a stretch well inside the sweep at every shift of up to 30 ms.
        const qint64 from = startFrame + 4800;
        const qint64 length = 24'000;
        ASSERT_GT(qint64(read.size()) / 2, from + length + 1440);
        qint64 best = 0;
        double least = std::numeric_limits<double>::max();
        for (qint64 lag = -1440; lag <= 1440; ++lag) {
            double difference = 0;
            for (qint64 i = 0; i < length; ++i)
                difference += std::abs(read[size_t((from + i + lag) * 2)] -
                                       sweep.samples[size_t((from + i - startFrame) * 2)]);
            if (difference < least) {
                least = difference;
                best = lag;
            }
        }
        EXPECT_EQ(best, 0);
        EXPECT_LT(least / double(length), 0.02);
    }
}

TEST(MovieWriter, FitsPicturesOfAnotherShapeOnBlack) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("fit.mov"));
    test::writeMovie(test::movieSettings(path),
                     {{0, Qt::red, {320, 120}}, {1'000'000, Qt::blue, {60, 120}}}, 2'000'000);

    // Wider than the movie: bars above and below.
    const QImage wide = readRecordingFrame(path, 500'000);
    ASSERT_EQ(wide.size(), QSize(160, 120));
    EXPECT_TRUE(near(wide.pixel(80, 8), Qt::black));
    EXPECT_TRUE(near(wide.pixel(80, 60), Qt::red));
    EXPECT_TRUE(near(wide.pixel(80, 112), Qt::black));
    // Taller: bars left and right.
    const QImage tall = readRecordingFrame(path, 1'500'000);
    EXPECT_TRUE(near(tall.pixel(10, 60), Qt::black));
    EXPECT_TRUE(near(tall.pixel(80, 60), Qt::blue));
    EXPECT_TRUE(near(tall.pixel(150, 60), Qt::black));
}

TEST(MovieWriter, NeverReplacesAnExistingFile) {
    const test::TemporaryFolder folder;
    const QString existing = folder.write(QStringLiteral("segment.mov"), "keep me");
    const QString link = folder.path(QStringLiteral("link.mov"));
    ASSERT_EQ(::symlink(existing.toUtf8().constData(), link.toUtf8().constData()), 0);
    for (const QString& path : {existing, link}) {
        SCOPED_TRACE(path.toStdString());
        try {
            openMovieWriter(test::movieSettings(path));
            ADD_FAILURE() << "opened over an existing entry";
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.systemError(), EEXIST);
            EXPECT_TRUE(error.message().endsWith(QStringLiteral(": File exists.")));
        }
    }
    EXPECT_EQ(test::fileBytes(existing), "keep me");
}

TEST(MovieWriter, RefusesSamplesOutOfOrderOrForAnotherRoleAndStaysUsable) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("refused.mov"));
    const auto writer =
        openMovieWriter(test::movieSettings(path, 160, 120, {RecordingAudio::System}));
    const QImage picture = test::solidImage({160, 120}, Qt::green);
    writer->startSession(test::kSessionStart);
    EXPECT_TRUE(writer->appendVideo({picture, test::kSessionStart + 100'000}));
    EXPECT_FALSE(writer->appendVideo({picture, test::kSessionStart + 100'000}));
    EXPECT_FALSE(writer->appendVideo({picture, test::kSessionStart + 50'000}));
    EXPECT_FALSE(writer->appendVideo({QImage(), test::kSessionStart + 150'000}));
    EXPECT_FALSE(writer->appendAudio(RecordingAudio::Microphone, test::toneChunk(0, 480)));
    EXPECT_TRUE(writer->appendVideo({picture, test::kSessionStart + 200'000}));
    writer->endSession(test::kSessionStart + 200'000 + kRecordingFrameMicroseconds);
    ASSERT_TRUE(writer->finish());

    const RecordingSegment segment = inspectRecordingSegment(path, newId());
    EXPECT_EQ(segment.sourceStart, 100'000);
    EXPECT_EQ(segment.duration, 100'000 + kRecordingFrameMicroseconds);
    EXPECT_TRUE(segment.audioTracks.empty());
}

} // namespace
} // namespace lumbex

namespace lumbex {
namespace {

// A recording killed within its first second must still leave a segment that can be read.
TEST(MovieWriter, TheFirstPictureIsOnDiskBeforeAnyFragmentIsDue) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("early.mov"));
    const auto writer = openMovieWriter(test::movieSettings(path));
    writer->startSession(test::kSessionStart);
    ASSERT_TRUE(writer->appendVideo(
        {test::solidImage(QSize(160, 120), Qt::green), test::kSessionStart + 1000}));
    const RecordingSegment early = inspectRecordingSegment(path, newId());
    EXPECT_EQ(early.sourceStart, 1000);
    EXPECT_EQ(early.duration, kRecordingFrameMicroseconds);
    writer->cancel();
}

} // namespace
} // namespace lumbex
