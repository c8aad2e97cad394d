#include "command_line_fixture.h"
#include "core/sha256.h"
#include "model/note_package.h"
#include "model/recording_keys.h"
#include "platform/export_fixtures.h"
#include "platform/movie_fixtures.h"
#include "recording/pending_recording.h"
#include "recording/recording_fixtures.h"
#include "recording/recording_journal.h"
#include "records/recording_time.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QString kUnreadable = QStringLiteral(
    "This folder does not contain readable recording information. The original files have been "
    "kept. Choose another folder or use Show Files to inspect them.");

constexpr qint64 kThreeSeconds = 3'000'000;

class RecordingCommandTest : public test::CommandLineTest {
protected:
    QString pendingRoot() const {
        return pendingRecordingsFolder(folder.path(QStringLiteral("data/Lumbex/Notes")));
    }

    // A recording folder under the library's pending recordings, with intact segment movies of
    // one colour each.
    QString addRecording(const QString& name, RecordingJournal journal,
                         const std::vector<qint64>& durations) const {
        const QString path = QDir(pendingRoot()).filePath(name);
        QDir().mkpath(path);
        for (size_t i = 0; i < durations.size(); ++i) {
            const Id id = newId();
            const QString movie = QDir(path).filePath(idString(id) + QStringLiteral(".mov"));
            const QColor colour = QColor::fromHsv(int(i) * 90, 200, 200);
            // The last picture held until the end, as the recorder's tail frame does.
            test::writeMovie(test::movieSettings(movie),
                             {{0, colour}, {durations[i] - kRecordingFrameMicroseconds, colour}},
                             durations[i]);
            journal.recording.segments.push_back(inspectRecordingSegment(movie, id));
        }
        journal.save(path);
        return path;
    }
    QString addStopped(const QString& name, Date createdAt = 700000000) const {
        RecordingJournal journal = RecordingJournal::make();
        journal.recording.title = QStringLiteral("Demo");
        journal.recording.createdAt = createdAt;
        journal.completed = true;
        return addRecording(name, journal, {kThreeSeconds, kThreeSeconds});
    }
};

TEST_F(RecordingCommandTest, RecoverSummarizesWithoutTouchingTheFolder) {
    const QString stopped = addStopped(QStringLiteral("stopped"));
    const QString damaged = addStopped(QStringLiteral("damaged"));
    const RecordingJournal journal =
        RecordingJournal::decode(test::fileBytes(QDir(damaged).filePath(kRecordingJournalFile)));
    test::RecordingFolder::writeFile(
        QDir(damaged).filePath(journal.recording.segments[1].filename()), "damaged");

    const struct {
        const char* name;
        QString path;
        QString expected;
    } rows[] = {
        {"stopped", stopped, QStringLiteral("duration 00:06.000\nrecovery complete\n")},
        {"damaged", damaged,
         QStringLiteral("duration 00:03.000\nrecovery partial\nissue Recovered through 00:03.000, "
                        "before a damaged segment. All later source files have been kept.\n")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto before = test::treeOf(row.path);
        const test::Result result = lumbex({"recording", "recover", row.path});
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(result.out, row.expected);
        EXPECT_EQ(test::treeOf(row.path), before);
    }
}

TEST_F(RecordingCommandTest, RecoverPrintsTheRecoveredJournalAsOneLineOfJson) {
    const QString path = addStopped(QStringLiteral("stopped"));
    const test::Result result = lumbex({"recording", "recover", path, "--json"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const RecordingJournal expected =
        recoverRecording(path, [](const QString&, const Id&) -> RecordingSegment {
            throw LumbexError(QStringLiteral("not asked for"));
        });
    EXPECT_EQ(result.out, QString::fromUtf8(expected.encode(false)) + u'\n');
}

TEST_F(RecordingCommandTest, AnUnfinishedSegmentThatIsNoMovieLeavesTheCompletedOnes) {
    RecordingJournal journal = RecordingJournal::make();
    journal.activeSegment = newId();
    const QString path = addRecording(QStringLiteral("crashed"), journal, {kThreeSeconds});
    test::RecordingFolder::writeFile(
        QDir(path).filePath(idString(*journal.activeSegment) + QStringLiteral(".mov")),
        "not a movie");
    const test::Result result = lumbex({"recording", "recover", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out,
              QStringLiteral("duration 00:03.000\nrecovery partial\nissue Only completed segments "
                             "could be recovered, through 00:03.000. The unfinished segment could "
                             "not be read.\n"));
}

TEST_F(RecordingCommandTest, AnUnfinishedSegmentThatIsAMovieIsRecovered) {
    RecordingJournal journal = RecordingJournal::make();
    journal.activeSegment = newId();
    const QString path = addRecording(QStringLiteral("crashed"), journal, {kThreeSeconds});
    const QString movie =
        QDir(path).filePath(idString(*journal.activeSegment) + QStringLiteral(".mov"));
    test::writeMovie(test::movieSettings(movie), {{0, Qt::red}, {1'000'000, Qt::blue}}, 2'000'000);
    const qint64 total =
        kThreeSeconds + inspectRecordingSegment(movie, *journal.activeSegment).duration;

    const test::Result result = lumbex({"recording", "recover", path});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out, QStringLiteral("duration %1\nrecovery partial\nissue Recovered through "
                                         "%1. The recording was interrupted; its final moments "
                                         "may be missing.\n")
                              .arg(recordingTimeLabel(total)));
    EXPECT_EQ(lumbex({"recording", "recover", path, "-o", "Copy.capturenote"}).exitCode, 0);
    EXPECT_EQ(QDir(folder.path("Copy.capturenote/video")).entryList(QDir::Files).size(), 2);
    EXPECT_EQ(lumbex({"note", "check", "Copy.capturenote"}).out, QStringLiteral("OK\n"));
}

TEST_F(RecordingCommandTest, RecoverRefusesWhatItCannotUse) {
    const QString stopped = addStopped(QStringLiteral("stopped"));
    const QString inside = QDir(stopped).filePath(QStringLiteral("Copy.capturenote"));
    const struct {
        const char* name;
        QStringList args;
        int exitCode;
        QString message;
    } rows[] = {
        {"no folder", {"recording", "recover"}, 2, {}},
        {"two folders", {"recording", "recover", stopped, stopped}, 2, {}},
        {"both outputs", {"recording", "recover", stopped, "--json", "-o", "A.capturenote"}, 2, {}},
        {"no journal", {"recording", "recover", folder.path()}, 1, kUnreadable + u'\n'},
        {"a package inside the folder",
         {"recording", "recover", stopped, "-o", inside},
         1,
         QStringLiteral("Choose a place for the note outside the recording folder: its files "
                        "are kept as they are.\n")},
    };
    const auto before = test::treeOf(folder.path());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const test::Result result = lumbex(row.args);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_TRUE(result.out.isEmpty());
        if (!row.message.isEmpty()) {
            EXPECT_EQ(result.err, row.message);
        }
    }
    EXPECT_EQ(test::treeOf(folder.path()), before);
}

TEST_F(RecordingCommandTest, ASavedCopyIsANoteAndHidesTheFolderUntilItsJournalChanges) {
    const QString path = addStopped(QStringLiteral("stopped"));
    EXPECT_EQ(lumbex({"recording", "pending"}).out,
              path + QStringLiteral("\tDemo\tSaved recording files · Review the recovered footage "
                                    "before using it.\n"));
    const auto before = test::treeOf(path);

    const test::Result saved = lumbex({"recording", "recover", path, "-o", "Copy.capturenote"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    EXPECT_EQ(saved.out, folder.path(QStringLiteral("Copy.capturenote")) + u'\n');
    EXPECT_EQ(test::treeOf(path), before);

    const test::Result checked = lumbex({"note", "check", "Copy.capturenote", "--json"});
    ASSERT_EQ(checked.exitCode, 0) << checked.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(checked.out.toUtf8())["recording"]["duration"].toInteger(),
              2 * kThreeSeconds);
    const QJsonObject note =
        QJsonDocument::fromJson(test::fileBytes(folder.path("Copy.capturenote/note.json")))
            .object();
    EXPECT_EQ(note["title"].toString(), QStringLiteral("Recovered · Demo"));
    EXPECT_EQ(note["screenRecording"]["recovery"].toString(), QStringLiteral("complete"));
    EXPECT_EQ(QDir(folder.path("Copy.capturenote/video")).entryList(QDir::Files).size(), 2);

    EXPECT_EQ(lumbex({"recording", "pending"}).out, QString());
    RecordingJournal changed =
        RecordingJournal::decode(test::fileBytes(QDir(path).filePath(kRecordingJournalFile)));
    changed.issue = QStringLiteral("Disk full.");
    changed.save(path);
    EXPECT_EQ(lumbex({"recording", "pending"}).out.count(u'\n'), 1);
}

TEST_F(RecordingCommandTest, PendingListsNewestFirstAsJson) {
    const QString stopped = addStopped(QStringLiteral("stopped"), 700000000.5);
    const QString unreadable = QDir(pendingRoot()).filePath(QStringLiteral("unreadable"));
    QDir().mkpath(unreadable);
    test::RecordingFolder::writeFile(QDir(unreadable).filePath(kRecordingJournalFile), "{");

    const test::Result result = lumbex({"recording", "pending", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.count(u'\n'), 1);
    const QJsonArray list = QJsonDocument::fromJson(result.out.toUtf8()).array();
    ASSERT_EQ(list.size(), 2);
    // The unreadable journal was written just now: after 2023.
    EXPECT_EQ(list[0]["directory"].toString(), unreadable);
    EXPECT_EQ(list[0]["title"].toString(), QStringLiteral("Unrecognized Recording"));
    EXPECT_TRUE(list[0]["signature"].isNull());
    EXPECT_EQ(list[1].toObject().keys(),
              (QStringList{"createdAt", "detail", "directory", "signature", "title"}));
    EXPECT_EQ(list[1]["directory"].toString(), stopped);
    EXPECT_EQ(list[1]["createdAt"].toDouble(), 700000000.5);
    EXPECT_EQ(list[1]["signature"].toString(),
              sha256Hex(test::fileBytes(QDir(stopped).filePath(kRecordingJournalFile))));
}

TEST_F(RecordingCommandTest, NoLibraryMeansNoPendingRecordings) {
    for (const char* format : {"", "--json"}) {
        SCOPED_TRACE(format);
        QStringList args{"recording", "pending"};
        if (*format)
            args << format;
        const test::Result result = lumbex(args);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(result.out, *format ? QStringLiteral("[]\n") : QString());
    }
}

// A note saved from a stopped recording of two three-second segments, 160 × 120.
class RecordingEditCommandTest : public RecordingCommandTest {
protected:
    void SetUp() override {
        const test::Result saved =
            lumbex({"recording", "recover", addStopped(QStringLiteral("stopped")), "-o",
                    "Copy.capturenote"});
        ASSERT_EQ(saved.exitCode, 0) << saved.err.toStdString();
    }
    QString package() const { return folder.path(QStringLiteral("Copy.capturenote")); }
    NotePackageContents contents() const { return readNotePackage(package()); }
    QByteArray noteBytes() const {
        return test::fileBytes(package() + QStringLiteral("/note.json"));
    }
};

TEST_F(RecordingEditCommandTest, EditAppliesEachOptionAsOneChangeInOrder) {
    const qint64 before = contents().note.revision;
    const test::Result result =
        lumbex({"recording", "edit", "Copy.capturenote", "--trim", "1,5.000001", "--crop",
                "16,16,96,64", "--mute-system", "on", "--redact", "2,4,0,0,32,32", "--redact",
                "2.5,3,10,10,5,5", "--remove-last-redaction"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const CaptureNote note = contents().note;
    EXPECT_EQ(note.revision, before + 6);
    EXPECT_EQ(result.out, QString::number(note.revision) + u'\n');
    const ScreenRecording& recording = *note.screenRecording;
    EXPECT_EQ(recording.trim, (RecordingRange{1'000'000, 5'000'001}));
    EXPECT_EQ(recording.crop, (Rect{16, 16, 96, 64}));
    EXPECT_TRUE(recording.muteSystem);
    EXPECT_FALSE(recording.muteMicrophone);
    ASSERT_EQ(recording.redactions.size(), 1u);
    EXPECT_EQ(recording.redactions[0].range, (RecordingRange{2'000'000, 4'000'000}));
    EXPECT_EQ(recording.redactions[0].rect, (Rect{0, 0, 32, 32}));

    const test::Result reset = lumbex({"recording", "edit", "Copy.capturenote", "--no-trim",
                                       "--no-crop", "--mute-system", "off"});
    ASSERT_EQ(reset.exitCode, 0) << reset.err.toStdString();
    EXPECT_FALSE(contents().note.screenRecording->trim);
    EXPECT_FALSE(contents().note.screenRecording->crop);
    EXPECT_FALSE(contents().note.screenRecording->muteSystem);
}

TEST_F(RecordingEditCommandTest, ARefusedChangeLeavesTheNoteAsItWas) {
    const struct {
        const char* name;
        QStringList words;
        int exitCode;
        QString message;
    } rows[] = {
        {"short trim", {"--trim", "0,0.000999"}, 1, "Choose a valid recording range.\n"},
        {"trim past the end", {"--trim", "1,6.000001"}, 1, "Choose a valid recording range.\n"},
        {"crop outside",
         {"--crop", "150,0,20,20"},
         1,
         "The recording crop is outside the video.\n"},
        {"empty redaction time",
         {"--mute-system", "on", "--redact", "2,2,0,0,10,10"},
         1,
         "A recording redaction has an invalid area or time range.\n"},
        {"rounded time", {"--trim", "1,2.0000001"}, 2, {}},
        {"not on or off", {"--mute-microphone", "yes"}, 2, {}},
        {"no change", {}, 2, {}},
    };
    const QByteArray before = noteBytes();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const test::Result result =
            lumbex(QStringList{"recording", "edit", "Copy.capturenote"} + row.words);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_EQ(result.out, QString());
        if (!row.message.isEmpty()) {
            EXPECT_EQ(result.err, row.message);
        }
        EXPECT_EQ(noteBytes(), before);
    }
}

TEST_F(RecordingEditCommandTest, FramesAreStillsOfTheComposedPicture) {
    ASSERT_EQ(lumbex({"recording", "edit", "Copy.capturenote", "--crop", "16,16,96,64", "--redact",
                      "3.5,4.5,16,16,48,32"})
                  .exitCode,
              0);
    const test::Result result =
        lumbex({"recording", "frames", "Copy.capturenote", "--at", "1.5", "4"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList ids = result.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(ids.size(), 2);

    const NotePackageContents saved = contents();
    const QString key = visualKey(*saved.note.screenRecording);
    const struct {
        const char* name;
        qint64 time;
        QColor colour; // of the segment the frame comes from
    } frames[] = {{"Frame · 00:01.500", 1'500'000, QColor::fromHsv(0, 200, 200)},
                  {"Frame · 00:04.000", 4'000'000, QColor::fromHsv(90, 200, 200)}};
    for (qsizetype i = 0; i < ids.size(); ++i) {
        SCOPED_TRACE(frames[i].name);
        const Media* frame = saved.note.image(*parseId(ids[i]));
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->name, QString::fromUtf8(frames[i].name));
        EXPECT_EQ(frame->recordingFrame, (RecordingFrame{frames[i].time, key}));
        const QImage image = QImage::fromData(saved.originals.at(frame->id));
        ASSERT_EQ(image.size(), QSize(96, 64));
        const QRgb far = image.pixel(80, 50);
        EXPECT_NEAR(qRed(far), frames[i].colour.red(), 30);
        EXPECT_NEAR(qGreen(far), frames[i].colour.green(), 30);
        EXPECT_NEAR(qBlue(far), frames[i].colour.blue(), 30);
        // The redaction covers the crop's top-left corner from 3.5 s.
        EXPECT_EQ(qGray(image.pixel(10, 10)) < 20, frames[i].time >= 3'500'000);
    }

    const test::Result three = lumbex({"recording", "frames", "Copy.capturenote", "--three"});
    ASSERT_EQ(three.exitCode, 0) << three.err.toStdString();
    EXPECT_EQ(three.out.count(u'\n'), 3);

    ASSERT_EQ(lumbex({"recording", "edit", "Copy.capturenote", "--trim", "1,5"}).exitCode, 0);
    const QByteArray before = noteBytes();
    const test::Result outside =
        lumbex({"recording", "frames", "Copy.capturenote", "--at", "2", "5"});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_EQ(outside.err, QStringLiteral("That frame is outside the selected recording range.\n"));
    EXPECT_EQ(noteBytes(), before);
    EXPECT_EQ(lumbex({"recording", "frames", "Copy.capturenote", "--at", "2", "--three"}).exitCode,
              2);
}

TEST_F(RecordingEditCommandTest, ATimeNoteGetsItsNumberAndAFrameFromItsRange) {
    const test::Result added = lumbex(
        {"recording", "time-note", "Copy.capturenote", "--range", "1,3.5", "--text", "Look here"});
    ASSERT_EQ(added.exitCode, 0) << added.err.toStdString();
    EXPECT_EQ(added.out, QStringLiteral("1\n"));
    const CaptureNote note = contents().note;
    ASSERT_EQ(note.notes.size(), 1u);
    EXPECT_EQ(note.notes[0].timeRange, (RecordingRange{1'000'000, 3'500'000}));
    EXPECT_EQ(note.notes[0].body, QStringLiteral("Look here"));
    EXPECT_EQ(note.media.back().recordingFrame->sourceTime, 1'000'000);
    EXPECT_TRUE(note.media.back().includeInRequest);

    ASSERT_EQ(lumbex({"recording", "edit", "Copy.capturenote", "--trim", "1,5"}).exitCode, 0);
    const QByteArray before = noteBytes();
    const test::Result outside =
        lumbex({"recording", "time-note", "Copy.capturenote", "--range", "0.5,2"});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_EQ(outside.err, QStringLiteral("Choose a note range inside the current trim.\n"));
    EXPECT_EQ(noteBytes(), before);
}

TEST_F(RecordingEditCommandTest, AChangedSegmentFileKeepsTheNote) {
    const QDir video(package() + QStringLiteral("/video"));
    const QString segment = video.filePath(video.entryList(QDir::Files).first());
    QByteArray bytes = test::fileBytes(segment);
    bytes[bytes.size() / 2] = char(bytes[bytes.size() / 2] ^ 0x5A);
    test::RecordingFolder::writeFile(segment, bytes);
    const QByteArray before = noteBytes();
    const test::Result result = lumbex({"recording", "frames", "Copy.capturenote", "--three"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QStringLiteral("A recording segment is missing or damaged. The original "
                                         "note has been kept.\n"));
    EXPECT_EQ(noteBytes(), before);
}

// Exports of the same note: six seconds at 160 × 120, the second segment in another colour.
class RecordingExportCommandTest : public RecordingEditCommandTest {
protected:
    QString earlier(const QString& name) const {
        return folder.write(name, QByteArrayLiteral("earlier export"));
    }
};

TEST_F(RecordingExportCommandTest, ExportWritesTheFormatOfTheExtensionAndPrintsItsPath) {
    const test::Result mp4 = lumbex({"recording", "export", "Copy.capturenote", "-o", "movie.mp4"});
    ASSERT_EQ(mp4.exitCode, 0) << mp4.err.toStdString();
    EXPECT_EQ(mp4.out, folder.path(QStringLiteral("movie.mp4")) + u'\n');
    // Standard error is no terminal here: no progress bar.
    EXPECT_EQ(mp4.err, QString());
    const test::DecodedMovie movie = test::decodeMovie(folder.path(QStringLiteral("movie.mp4")));
    EXPECT_EQ(movie.width, 160);
    EXPECT_EQ(movie.height, 120);
    EXPECT_NEAR(movie.duration, 2 * kThreeSeconds, 67'000);

    const test::Result gif = lumbex({"recording", "export", "Copy.capturenote", "-o", "Clip.GIF",
                                     "--fps", "5", "--once", "--longest-side", "80"});
    ASSERT_EQ(gif.exitCode, 0) << gif.err.toStdString();
    EXPECT_EQ(gif.out, folder.path(QStringLiteral("Clip.GIF")) + u'\n');
    const test::DecodedMovie frames = test::decodeMovie(folder.path(QStringLiteral("Clip.GIF")));
    EXPECT_EQ(frames.width, 80);
    EXPECT_EQ(frames.height, 60);
    EXPECT_EQ(frames.frames.size(), 30u);
}

TEST_F(RecordingExportCommandTest, RefusedExportsKeepTheDestination) {
    const struct {
        QStringList options;
        int exitCode;
        const char* message; // null for usage errors
    } cases[] = {
        {{"-o", "kept.avi"}, 2, nullptr},
        {{"-o", "kept.mp4", "--fps", "5"}, 2, nullptr},
        {{"-o", "kept.gif", "--loop", "--once"}, 2, nullptr},
        {{"-o", "kept.gif", "--longest-side", "1"}, 2, nullptr},
        {{"-o", "kept.gif", "--fps", "11"}, 1, "Choose a GIF frame rate from 1 to 10 fps."},
        {{"-o", "kept.gif", "--fps", "ten"}, 2, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options.join(u' ').toStdString());
        const QString kept = earlier(c.options[1]);
        const test::Result result =
            lumbex(QStringList{"recording", "export", "Copy.capturenote"} + c.options);
        EXPECT_EQ(result.exitCode, c.exitCode);
        if (c.message) {
            EXPECT_EQ(result.err, QString::fromUtf8(c.message) + u'\n');
        }
        EXPECT_EQ(result.out, QString());
        EXPECT_EQ(test::fileBytes(kept), QByteArrayLiteral("earlier export"));
    }
    EXPECT_EQ(entries().filter(QStringLiteral(".Lumbex-")), QStringList());
}

TEST_F(RecordingExportCommandTest, AChangedSegmentFileKeepsTheDestination) {
    const QDir video(package() + QStringLiteral("/video"));
    const QString segment = video.filePath(video.entryList(QDir::Files).last());
    test::RecordingFolder::writeFile(segment, test::fileBytes(segment) + "x");
    const QString kept = earlier(QStringLiteral("kept.mp4"));
    for (const QStringList& words :
         {QStringList{"recording", "export", "Copy.capturenote", "-o", "kept.mp4"},
          QStringList{"recording", "estimate", "Copy.capturenote", "--gif"}}) {
        SCOPED_TRACE(words.join(u' ').toStdString());
        const test::Result result = lumbex(words);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, QStringLiteral("A recording segment is missing or damaged. The "
                                             "original note has been kept.\n"));
    }
    EXPECT_EQ(test::fileBytes(kept), QByteArrayLiteral("earlier export"));
}

TEST_F(RecordingExportCommandTest, EstimatesPrintBytes) {
    const test::Result gif = lumbex({"recording", "estimate", "Copy.capturenote", "--gif"});
    ASSERT_EQ(gif.exitCode, 0) << gif.err.toStdString();
    ASSERT_EQ(lumbex({"recording", "export", "Copy.capturenote", "-o", "real.gif"}).exitCode, 0);
    const qint64 actual = QFileInfo(folder.path(QStringLiteral("real.gif"))).size();
    const qint64 estimated = gif.out.trimmed().toLongLong();
    EXPECT_GT(estimated, actual / 3);
    EXPECT_LT(estimated, actual * 3);

    const test::Result mp4 = lumbex({"recording", "estimate", "Copy.capturenote", "--mp4"});
    ASSERT_EQ(mp4.exitCode, 0) << mp4.err.toStdString();
    EXPECT_GT(mp4.out.trimmed().toLongLong(), 0);

    for (const QStringList& usage :
         {QStringList{"--mp4", "--gif"}, QStringList{}, QStringList{"--mp4", "--once"}})
        EXPECT_EQ(lumbex(QStringList{"recording", "estimate", "Copy.capturenote"} + usage).exitCode,
                  2);
    const test::Result fps =
        lumbex({"recording", "estimate", "Copy.capturenote", "--gif", "--fps", "0"});
    EXPECT_EQ(fps.exitCode, 1);
    EXPECT_EQ(fps.err, QStringLiteral("Choose a GIF frame rate from 1 to 10 fps.\n"));
}

} // namespace
} // namespace lumbex
