#include "model/note_fixtures.h"
#include "platform/export_fixtures.h"
#include "platform/movie_fixtures.h"
#include "platform/segment_pictures.h"
#include "recording/recording_export.h"
#include "recording/recording_gif_timing.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr QSize kSource{320, 240};
constexpr qint64 kSegmentSeconds = 2;

RecordingExportMedia platformMedia() {
    return {openMP4Export, openGIFExport, estimateMP4Bytes, estimateGIFBytes, readSegmentSound};
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

bool isBlack(QRgb pixel) {
    return qRed(pixel) < 30 && qGreen(pixel) < 30 && qBlue(pixel) < 30;
}

// Two segments of a moving square on changing colours, 10 pictures a second, with system sound;
// the selection runs from 1 s to 3 s across their boundary, cropped, with a redaction from 1.5 s
// to 2.5 s.
class RecordingExportTest : public testing::Test {
protected:
    void SetUp() override {
        for (int segment = 0; segment < 2; ++segment)
            addSegment(segment * 100);
        recording.trim = RecordingRange{1'000'000, 3'000'000};
        recording.crop = Rect{40, 40, 240, 160};
        recording.redactions.push_back({newId(), {1'500'000, 2'500'000}, Rect{100, 100, 80, 60}});
    }

    void addSegment(int firstIndex) {
        const Id id = newId();
        const QString path = folder.path(idString(id) + QStringLiteral(".mov"));
        const auto writer = openMovieWriter(
            test::movieSettings(path, kSource.width(), kSource.height(), {RecordingAudio::System}));
        writer->startSession(test::kSessionStart);
        const std::vector<test::Sound> sounds =
            test::toneFor(RecordingAudio::System, kSegmentSeconds);
        auto sound = sounds.begin();
        for (int i = 0; i < kSegmentSeconds * 10; ++i) {
            const qint64 time = test::kSessionStart + i * 100'000;
            for (; sound != sounds.end() && sound->chunk.time <= time; ++sound)
                writer->appendAudio(sound->role, sound->chunk);
            ASSERT_TRUE(
                writer->appendVideo({test::numberedPicture(kSource, firstIndex + i), time}));
        }
        for (; sound != sounds.end(); ++sound)
            writer->appendAudio(sound->role, sound->chunk);
        writer->endSession(test::kSessionStart + kSegmentSeconds * 1'000'000);
        ASSERT_TRUE(writer->finish());
        recording.segments.push_back(inspectRecordingSegment(path, id));
    }

    RecordingComposition compose(std::optional<int> longestSide = std::nullopt) const {
        return RecordingComposition::make(recording, folder.path(), longestSide, true,
                                          openSegmentPictures);
    }

    QString destination(const QString& name) const { return folder.path(name); }

    test::TemporaryFolder folder;
    ScreenRecording recording = ScreenRecording::make();
    std::atomic<bool> cancelled = false;
};

// The middle of the redacted rectangle in the cropped picture.
constexpr QPoint kRedactedPoint{100, 90};

TEST_F(RecordingExportTest, MP4ShowsTheSelectionWithRedactionsAndSound) {
    const QString out = destination(QStringLiteral("out.mp4"));
    std::vector<double> progress;
    ASSERT_TRUE(exportRecordingMP4(compose(), out, platformMedia(), cancelled,
                                   [&](double f) { progress.push_back(f); }));
    const test::DecodedMovie movie = test::decodeMovie(out);
    EXPECT_EQ(movie.width, 240);
    EXPECT_EQ(movie.height, 160);
    EXPECT_NEAR(movie.duration, 2'000'000, 67'000);
    ASSERT_EQ(movie.audioStreams, 1);
    // The sound of the selected two seconds only, across the segment boundary.
    for (const test::ProbedStream& stream : test::probeMovie(out))
        if (stream.type == AVMEDIA_TYPE_AUDIO) {
            EXPECT_NEAR(stream.startUs(), 0, 25'000);
            EXPECT_NEAR(stream.endUs(), 2'000'000, 50'000);
        }
    ASSERT_FALSE(movie.frames.empty());
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 1.0);

    int redacted = 0;
    int clear = 0;
    for (const test::DecodedFrame& frame : movie.frames) {
        SCOPED_TRACE(frame.start);
        // Output time 0.5 s to 1.5 s is source time 1.5 s to 2.5 s.
        const bool active = frame.start >= 500'000 && frame.start < 1'500'000;
        EXPECT_EQ(isBlack(frame.image.pixel(kRedactedPoint)), active);
        (active ? redacted : clear) += 1;
        // Outside the rectangle the picture stays.
        EXPECT_FALSE(isBlack(frame.image.pixel(10, 10)));
    }
    EXPECT_GT(redacted, 5);
    EXPECT_GT(clear, 5);
}

TEST_F(RecordingExportTest, MutingTheOnlySoundGivesAnMP4WithoutAudio) {
    recording.muteSystem = true;
    const QString out = destination(QStringLiteral("silent.mp4"));
    ASSERT_TRUE(exportRecordingMP4(compose(), out, platformMedia(), cancelled, {}));
    const test::DecodedMovie movie = test::decodeMovie(out);
    EXPECT_EQ(movie.audioStreams, 0);
    EXPECT_NEAR(movie.duration, 2'000'000, 67'000);
}

TEST_F(RecordingExportTest, GIFFramesFollowTheTimingAndShowTheComposedPictures) {
    const QString out = destination(QStringLiteral("out.gif"));
    const RecordingComposition composition = compose();
    std::vector<double> progress;
    ASSERT_TRUE(exportRecordingGIF(composition, out, {10, true}, platformMedia(), cancelled,
                                   [&](double f) { progress.push_back(f); }));
    const RecordingGIFTiming timing(composition.duration(), 10);
    const test::DecodedMovie movie = test::decodeMovie(out);
    ASSERT_EQ(int(movie.frames.size()), timing.frameCount());
    qint64 total = 0;
    for (const test::DecodedFrame& frame : movie.frames)
        total += frame.duration;
    EXPECT_EQ(total, composition.duration());
    // Progress after frames 1, 11 and the last (20).
    EXPECT_EQ(progress, (std::vector<double>{0.05, 0.55, 1.0}));

    const struct {
        int index;
        bool redacted;
    } checks[] = {{0, false}, {5, true}, {14, true}, {15, false}, {19, false}};
    for (const auto& c : checks) {
        SCOPED_TRACE(c.index);
        const QImage& image = movie.frames[size_t(c.index)].image;
        EXPECT_EQ(isBlack(image.pixel(kRedactedPoint)), c.redacted);
        const QImage expected =
            composition
                .frameAt(composition.recording().selectedRange().start + timing.time(c.index))
                .render();
        EXPECT_TRUE(test::near(image.pixel(10, 10), expected.pixel(10, 10), 24));
    }
    // The square's background changes colour with every source picture: the first and last
    // frames differ.
    EXPECT_FALSE(test::near(movie.frames.front().image.pixel(10, 10),
                            movie.frames.back().image.pixel(10, 10), 24));
}

TEST_F(RecordingExportTest, CancellingKeepsAnExistingDestination) {
    for (const QString& name : {QStringLiteral("kept.mp4"), QStringLiteral("kept.gif")}) {
        SCOPED_TRACE(name.toStdString());
        const QString out = destination(name);
        writeBytes(out, QByteArrayLiteral("earlier export"));
        cancelled = false;
        const auto cancel = [&](double f) {
            if (f > 0.3)
                cancelled = true;
        };
        const bool finished =
            name.endsWith(QStringLiteral(".mp4"))
                ? exportRecordingMP4(compose(), out, platformMedia(), cancelled, cancel)
                : exportRecordingGIF(compose(), out, {10, false}, platformMedia(), cancelled,
                                     cancel);
        EXPECT_FALSE(finished);
        QFile file(out);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), QByteArrayLiteral("earlier export"));
        EXPECT_EQ(QDir(folder.path())
                      .entryList(QDir::Hidden | QDir::AllEntries | QDir::NoDotAndDotDot)
                      .filter(QStringLiteral(".Lumbex-")),
                  QStringList());
    }
}

TEST_F(RecordingExportTest, EstimatesComeFromRenderedFrames) {
    const RecordingComposition composition = compose();
    const std::optional<qint64> mp4 = estimateRecordingMP4(composition, platformMedia());
    ASSERT_TRUE(mp4);
    EXPECT_GT(*mp4, 1000);
    const QString out = destination(QStringLiteral("sized.gif"));
    ASSERT_TRUE(exportRecordingGIF(composition, out, {10, true}, platformMedia(), cancelled, {}));
    const qint64 gif = estimateRecordingGIF(composition, {10, true}, platformMedia());
    const qint64 actual = QFileInfo(out).size();
    EXPECT_GT(gif, actual / 3);
    EXPECT_LT(gif, actual * 3);
    EXPECT_EQ(test::thrownMessage([&] {
                  estimateRecordingGIF(composition, {11, true}, platformMedia());
              }),
              "Choose a GIF frame rate from 1 to 10 fps.");
}

TEST_F(RecordingExportTest, AChangedSegmentIsRefusedBeforeAnythingIsWritten) {
    const QString out = destination(QStringLiteral("kept.mp4"));
    writeBytes(out, QByteArrayLiteral("earlier export"));
    QFile segment(folder.path(recording.segments[1].filename()));
    ASSERT_TRUE(segment.open(QIODevice::Append));
    segment.write("x");
    segment.close();
    EXPECT_EQ(test::thrownMessage(
                  [&] { exportRecordingMP4(compose(), out, platformMedia(), cancelled, {}); }),
              "A recording segment is missing or damaged. The original note has been kept.");
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArrayLiteral("earlier export"));
}

} // namespace
} // namespace lumbex
