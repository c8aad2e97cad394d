#include "core/sha256.h"
#include "model/note_package.h"
#include "model/recording_files.h"
#include "model/recording_keys.h"
#include "recording/recording_note.h"
#include "support/temporary_folder.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Segment files with arbitrary bytes: the package checks sizes and digests, not the movie.
RecordingSegment writeSegment(const test::TemporaryFolder& folder, qint64 sourceStart,
                              qint64 duration) {
    RecordingSegment segment;
    segment.id = newId();
    segment.width = 64;
    segment.height = 48;
    segment.sourceStart = sourceStart;
    segment.duration = duration;
    const QByteArray bytes = "movie " + QByteArray::number(duration);
    const QString file = folder.write(segment.filename(), bytes);
    segment.byteCount = bytes.size();
    segment.sha256 = RecordingFiles::hash(file);
    return segment;
}

TEST(RecordingNote, StartsWithTheSuggestedFramesFromTheRightSegments) {
    test::TemporaryFolder folder;
    ScreenRecording recording = ScreenRecording::make();
    recording.segments = {writeSegment(folder, 0, 1000000), writeSegment(folder, 500, 2000000)};
    recording.trim = RecordingRange{200000, 2600000};

    std::vector<std::pair<QString, qint64>> asked;
    const auto reader = [&](const QString& file, qint64 time) {
        asked.emplace_back(QFileInfo(file).fileName(), time);
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(QColor::fromRgb(uint(time % 0xffffff)));
        return image;
    };
    const NotePackageContents contents = noteFromRecording(recording, folder.path(), reader);

    // Start 0.2 s (first segment), middle 1.4 s and one frame before 2.6 s (second segment,
    // whose own timeline starts at 500 µs).
    const std::vector<std::pair<QString, qint64>> expected{
        {recording.segments[0].filename(), 200000},
        {recording.segments[1].filename(), 500 + 400000},
        {recording.segments[1].filename(), 500 + 2600000 - 33334 - 1000000},
    };
    EXPECT_EQ(asked, expected);
    ASSERT_EQ(contents.note.media.size(), 3u);
    const std::vector<qint64> times{200000, 1400000, 2600000 - 33334};
    for (size_t i = 0; i < 3; ++i) {
        const Media& frame = contents.note.media[i];
        EXPECT_EQ(frame.name, recordingFrameName(times[i]));
        ASSERT_TRUE(frame.recordingFrame);
        EXPECT_EQ(frame.recordingFrame->sourceTime, times[i]);
        EXPECT_EQ(frame.recordingFrame->visualKey, visualKey(recording));
        EXPECT_EQ(frame.width, 64);
    }
    EXPECT_EQ(recordingFrameName(1400000), QStringLiteral("Frame · 00:01.400"));
    EXPECT_EQ(contents.note.screenRecording, recording);

    // The package takes the segment files into its video folder and reads back whole.
    const QString package = folder.path("note.capturenote");
    createNotePackage(contents, package);
    const NotePackageContents read = readNotePackage(package);
    EXPECT_EQ(read.note, contents.note);
    for (const RecordingSegment& segment : recording.segments)
        EXPECT_EQ(read.videoFiles.at(segment.id), package + "/video/" + segment.filename());
}

TEST(RecordingNote, RefusesARecordingThatDoesNotValidate) {
    test::TemporaryFolder folder;
    const ScreenRecording empty = ScreenRecording::make();
    EXPECT_THROW(noteFromRecording(empty, folder.path(), {}), LumbexError);
}

} // namespace
} // namespace lumbex
