#include "model/note_fixtures.h"
#include "model/recording_files.h"
#include "platform/movie_fixtures.h"
#include "platform/recording_media.h"
#include "support/temporary_folder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

constexpr char kNoVideo[] = "The recording contains no readable video.";

// Pictures for three and a half seconds, sound on the system track only: the microphone track is
// declared but never receives a sample.
QString writeSegment(const test::TemporaryFolder& folder, const QString& name = "segment.mov") {
    const QString path = folder.path(name);
    std::vector<test::Picture> pictures;
    for (qint64 t = 0; t < 3'500'000; t += 100'000)
        pictures.push_back({t, QColor::fromHsv(int(t / 10'000) % 360, 200, 220)});
    test::writeMovie(
        test::movieSettings(path, 160, 120, {RecordingAudio::System, RecordingAudio::Microphone}),
        pictures, 3'500'000, test::toneFor(RecordingAudio::System, 3));
    return path;
}

QByteArray fileHead(const QString& path, qint64 count) {
    return test::fileBytes(path).left(count);
}

TEST(RecordingInspector, DescribesAFinishedSegment) {
    const test::TemporaryFolder folder;
    const QString path = writeSegment(folder);
    const Id id = newId();

    const RecordingSegment segment = inspectRecordingSegment(path, id, 11, 22, 3, 4);

    EXPECT_EQ(segment.id, id);
    EXPECT_EQ(segment.width, 160);
    EXPECT_EQ(segment.height, 120);
    EXPECT_EQ(segment.sourceStart, 0);
    // The last picture, at 3.4 s, lasts one frame.
    EXPECT_EQ(segment.duration, 3'400'000 + kRecordingFrameMicroseconds);
    EXPECT_EQ(segment.hostStart, 11);
    EXPECT_EQ(segment.hostEnd, 22);
    EXPECT_EQ(segment.droppedVideo, 3);
    EXPECT_EQ(segment.droppedAudio, 4);
    EXPECT_EQ(segment.byteCount, QFile(path).size());
    EXPECT_EQ(segment.sha256, RecordingFiles::hash(path));
    // The silent microphone track does not count as recorded.
    const std::map<RecordingAudio, qint32> tracks{{RecordingAudio::System, 2}};
    EXPECT_EQ(segment.audioTracks, tracks);
}

// A crash may cut the file at any byte: what lies wholly inside still reads, the duration only
// grows with the cut, and nothing crashes or hangs.
TEST(RecordingInspector, ReadsAFileCutShortAtAnyByte) {
    const test::TemporaryFolder folder;
    const QString path = writeSegment(folder);
    const QByteArray whole = test::fileBytes(path);
    const qint64 fullDuration = inspectRecordingSegment(path, newId()).duration;

    qint64 previous = 0;
    int readable = 0;
    const qint64 step = std::max<qint64>(1, whole.size() / 150);
    for (qint64 cut = 0; cut <= whole.size(); cut += step) {
        SCOPED_TRACE(cut);
        const QString cutPath = folder.write(QStringLiteral("cut.mov"), whole.left(cut));
        try {
            const RecordingSegment segment = inspectRecordingSegment(cutPath, newId());
            EXPECT_GE(segment.duration, previous);
            EXPECT_LE(segment.duration, fullDuration);
            EXPECT_EQ(segment.byteCount, cut);
            previous = segment.duration;
            ++readable;
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message().toStdString(), kNoVideo);
            EXPECT_EQ(previous, 0) << "a longer cut became unreadable";
        }
        QFile::remove(cutPath);
    }
    // Fragments of at most a second: most cuts keep something.
    EXPECT_GT(readable, 100);
    // Cutting only the trailer (the last bytes) keeps every picture.
    EXPECT_EQ(
        inspectRecordingSegment(folder.write(QStringLiteral("tail.mov"), whole.chopped(1)), newId())
            .duration,
        fullDuration);
}

TEST(RecordingInspector, FindsNoVideoBeforeTheFirstCompleteFragment) {
    const test::TemporaryFolder folder;
    const QString path = writeSegment(folder);
    const QByteArray whole = test::fileBytes(path);
    const qint64 firstFragment = whole.indexOf("moof");
    ASSERT_GT(firstFragment, 0);
    for (const qint64 cut : {qint64(0), qint64(8), firstFragment, firstFragment + 200}) {
        SCOPED_TRACE(cut);
        const QString cutPath = folder.write(QStringLiteral("cut.mov"), whole.left(cut));
        EXPECT_EQ(test::thrownMessage([&] { inspectRecordingSegment(cutPath, newId()); }),
                  kNoVideo);
    }
}

TEST(RecordingInspector, RefusesWhatIsNotASegmentFile) {
    const test::TemporaryFolder folder;
    const QString segment = writeSegment(folder);
    const QString link = folder.path(QStringLiteral("link.mov"));
    ASSERT_EQ(::symlink(segment.toUtf8().constData(), link.toUtf8().constData()), 0);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) >> 3);

    const struct {
        const char* label;
        QString path;
        std::string message;
    } cases[] = {
        {"text", folder.write(QStringLiteral("notes.mov"), "just some words\n"), kNoVideo},
        {"empty", folder.write(QStringLiteral("empty.mov"), {}), kNoVideo},
        {"noise", folder.write(QStringLiteral("noise.mov"), noise), kNoVideo},
        {"header only", folder.write(QStringLiteral("head.mov"), fileHead(segment, 40)), kNoVideo},
        {"symbolic link", link, "“link.mov” is a symbolic link. Name the file it points to."},
        {"folder", folder.path(), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string message =
            test::thrownMessage([&] { inspectRecordingSegment(c.path, newId()); });
        if (c.message.empty())
            EXPECT_FALSE(message.empty());
        else
            EXPECT_EQ(message, c.message);
    }
}

TEST(RecordingInspector, ReadsAWriterThatWasCancelledMidway) {
    const test::TemporaryFolder folder;
    const QString path = folder.path(QStringLiteral("cancelled.mov"));
    {
        const auto writer = openMovieWriter(test::movieSettings(path));
        writer->startSession(test::kSessionStart);
        for (qint64 t = 0; t < 3'000'000; t += 50'000)
            ASSERT_TRUE(writer->appendVideo(
                {test::solidImage({160, 120}, Qt::darkCyan), test::kSessionStart + t}));
        writer->cancel();
    }
    const RecordingSegment segment = inspectRecordingSegment(path, newId());
    // Fragments close at least every second of media: at most about that much is lost.
    EXPECT_GE(segment.duration, 1'900'000);
    EXPECT_LE(segment.duration, 3'000'000);
}

} // namespace
} // namespace lumbex
