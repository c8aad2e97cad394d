#include "core/error.h"
#include "core/file_names.h"
#include "platform/export_fixtures.h"
#include "platform/movie_fixtures.h"
#include "platform/recording_export.h"
#include "platform/seekable_output_file.h"
#include "support/temporary_folder.h"
#include "support/thrown_message.h"

#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

const QString kMismatch = QStringLiteral(
    "The exported movie did not match the selected range or dimensions. The previous file has "
    "been kept.");
const QString kAudioMismatch =
    QStringLiteral("The exported audio did not match the selected sound options.");

MP4ExportSettings mp4Settings(const QString& destination, qint64 duration,
                              std::vector<RecordingAudio> audio = {}) {
    MP4ExportSettings settings;
    settings.destination = destination;
    settings.width = 160;
    settings.height = 96;
    settings.frameRate = 30;
    settings.durationMicroseconds = duration;
    settings.audio = std::move(audio);
    return settings;
}

// Numbered pictures at 30 fps over `written` µs and, for each of `sound`, a tone over the same.
bool writeMP4(const MP4ExportSettings& settings, qint64 written,
              const std::vector<RecordingAudio>& sound = {},
              const std::atomic<bool>& cancelled = false) {
    auto writer = openMP4Export(settings);
    for (int i = 0; qint64(i) * 1'000'000 / 30 < written; ++i)
        writer->addFrame(test::numberedPicture({settings.width, settings.height}, i),
                         qint64(i) * 1'000'000 / 30);
    for (RecordingAudio kind : sound)
        for (const test::Sound& chunk : test::toneFor(kind, (written + 999'999) / 1'000'000)) {
            AudioSample sample = chunk.chunk;
            sample.time -= test::kSessionStart;
            if (sample.time < written)
                writer->addAudio(kind, sample);
        }
    return writer->finish(cancelled);
}

// The top-level boxes of an MP4 file, in order.
QStringList topLevelBoxes(const QByteArray& bytes) {
    QStringList boxes;
    qint64 offset = 0;
    while (offset + 8 <= bytes.size()) {
        const auto* p = reinterpret_cast<const uchar*>(bytes.constData() + offset);
        qint64 size = qint64(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
        if (size == 1 && offset + 16 <= bytes.size())
            size = qint64(qFromBigEndian<quint64>(p + 8));
        boxes << QString::fromLatin1(bytes.mid(offset + 4, 4));
        if (size < 8)
            break;
        offset += size;
    }
    return boxes;
}

TEST(MP4Export, WritesTheRangeAtTheOutputSizeWithTheIndexInFront) {
    struct Case {
        std::vector<RecordingAudio> audio;
        int audioStreams;
    };
    const std::vector<Case> cases{
        {{}, 0},
        {{RecordingAudio::System}, 1},
        {{RecordingAudio::System, RecordingAudio::Microphone}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.audioStreams);
        const test::TemporaryFolder folder;
        const QString path = folder.path(QStringLiteral("out.mp4"));
        ASSERT_TRUE(writeMP4(mp4Settings(path, 2'000'000, c.audio), 2'000'000, c.audio));
        EXPECT_EQ(test::entriesIn(folder.path()), QStringList{QStringLiteral("out.mp4")});

        const test::DecodedMovie movie = test::decodeMovie(path);
        EXPECT_EQ(movie.width, 160);
        EXPECT_EQ(movie.height, 96);
        EXPECT_EQ(movie.audioStreams, c.audioStreams);
        EXPECT_NEAR(double(movie.duration), 2'000'000, 67'000);
        ASSERT_EQ(movie.frames.size(), 60u);
        for (const int i : {0, 29, 59}) {
            const test::DecodedFrame& frame = movie.frames[size_t(i)];
            EXPECT_NEAR(double(frame.start), i * 1'000'000.0 / 30, 1) << i;
            const QImage expected = test::numberedPicture({160, 96}, i);
            for (const QPoint point : {QPoint(4, 90), QPoint(i * 4 % 144 + 8, 16)})
                EXPECT_TRUE(test::near(frame.image.pixel(point), expected.pixel(point), 24))
                    << i << " at " << point.x() << "," << point.y();
        }
        const QStringList boxes = topLevelBoxes(test::fileBytes(path));
        ASSERT_TRUE(boxes.contains(QStringLiteral("moov")) && boxes.contains("mdat"))
            << boxes.join(' ').toStdString();
        EXPECT_LT(boxes.indexOf(QStringLiteral("moov")), boxes.indexOf(QStringLiteral("mdat")))
            << boxes.join(' ').toStdString();
    }
}

TEST(MP4Export, KeepsAnEarlierFileWhenTheCheckFailsOrTheExportIsCancelled) {
    const test::TemporaryFolder folder;
    const QString path = folder.write(QStringLiteral("out.mp4"), "earlier export");
    struct Case {
        const char* name;
        std::function<QString()> run;
        QString message;
    };
    const std::vector<Case> cases{
        // Told to expect one second, given three.
        {"long",
         [&] {
             return test::thrownMessage([&] { writeMP4(mp4Settings(path, 1'000'000), 3'000'000); });
         },
         kMismatch},
        // Audio expected, none arrived.
        {"silent",
         [&] {
             return test::thrownMessage([&] {
                 writeMP4(mp4Settings(path, 1'000'000, {RecordingAudio::System}), 1'000'000);
             });
         },
         kAudioMismatch},
        {"cancelled",
         [&] {
             return writeMP4(mp4Settings(path, 1'000'000), 1'000'000, {}, true)
                        ? QStringLiteral("moved")
                        : QString();
         },
         {}},
        {"abandoned",
         [&] {
             auto writer = openMP4Export(mp4Settings(path, 1'000'000));
             writer->addFrame(test::numberedPicture({160, 96}, 0), 0);
             return QString();
         },
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.run(), c.message);
        EXPECT_EQ(test::fileBytes(path), "earlier export");
        EXPECT_EQ(test::entriesIn(folder.path()), QStringList{QStringLiteral("out.mp4")});
    }
    ASSERT_TRUE(writeMP4(mp4Settings(path, 1'000'000), 1'000'000));
    EXPECT_EQ(test::decodeMovie(path).frames.size(), 30u);
}

TEST(MP4Export, ReplacesASymbolicLinkAtTheDestinationWithoutWritingThroughIt) {
    const test::TemporaryFolder folder;
    const QString target = folder.write(QStringLiteral("target.txt"), "not a movie");
    const QString path = folder.path(QStringLiteral("out.mp4"));
    ASSERT_EQ(::symlink(encodeFileName(target).constData(), encodeFileName(path).constData()), 0);
    ASSERT_TRUE(writeMP4(mp4Settings(path, 500'000), 500'000));
    EXPECT_EQ(test::fileBytes(target), "not a movie");
    EXPECT_FALSE(QFileInfo(path).isSymLink());
}

// The temporary name is fresh, but whatever may appear there in a race is never written through.
TEST(MP4Export, NeverWritesThroughALinkAtItsTemporaryName) {
    const test::TemporaryFolder folder;
    const QString target = folder.write(QStringLiteral("target.txt"), "kept");
    const QString temporary = folder.path(QStringLiteral(".Lumbex-race.mp4"));
    ASSERT_EQ(::symlink(encodeFileName(target).constData(), encodeFileName(temporary).constData()),
              0);
    EXPECT_THROW(SeekableOutputFile file(temporary), LumbexError);
    EXPECT_EQ(test::fileBytes(target), "kept");
    EXPECT_TRUE(QFileInfo(temporary).isSymLink());
}

TEST(MP4Export, RefusesOddSizesAsUnavailable) {
    const test::TemporaryFolder folder;
    MP4ExportSettings settings = mp4Settings(folder.path(QStringLiteral("out.mp4")), 1'000'000);
    settings.width = 161;
    EXPECT_EQ(test::thrownMessage([&] { openMP4Export(settings); }),
              QStringLiteral("MP4 export is unavailable."));
    EXPECT_TRUE(test::entriesIn(folder.path()).isEmpty());
}

TEST(MP4Estimate, FollowsTheRealSizeOfTheSameContent) {
    for (const auto& audio : std::vector<std::vector<RecordingAudio>>{
             {}, {RecordingAudio::System, RecordingAudio::Microphone}}) {
        SCOPED_TRACE(audio.size());
        const test::TemporaryFolder folder;
        const QString path = folder.path(QStringLiteral("out.mp4"));
        const MP4ExportSettings settings = mp4Settings(path, 4'000'000, audio);
        ASSERT_TRUE(writeMP4(settings, 4'000'000, audio));
        // The first two seconds as the sample.
        std::vector<QImage> samples;
        for (int i = 0; i < 60; ++i)
            samples.push_back(test::numberedPicture({160, 96}, i));
        const std::optional<qint64> estimate = estimateMP4Bytes(settings, samples);
        ASSERT_TRUE(estimate);
        const qint64 actual = QFileInfo(path).size();
        EXPECT_NEAR(double(*estimate), double(actual), 0.25 * double(actual));
    }

    MP4ExportSettings odd = mp4Settings(QStringLiteral("/nowhere/out.mp4"), 1'000'000);
    odd.width = 161;
    EXPECT_FALSE(estimateMP4Bytes(odd, {test::numberedPicture({161, 96}, 0)}));
    EXPECT_FALSE(estimateMP4Bytes(mp4Settings(QStringLiteral("/nowhere/out.mp4"), 1'000'000), {}));
}

} // namespace
} // namespace lumbex
