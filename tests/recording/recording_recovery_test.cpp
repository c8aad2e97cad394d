#include "recording/recording_journal.h"
#include "recording_fixtures.h"

#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const char kUnreadable[] =
    "This folder does not contain readable recording information. The original files have been "
    "kept. Choose another folder or use Show Files to inspect them.";

constexpr qint64 kThreeSeconds = 3'000'000;

// Stands in for the movie inspector: answers with `result`, or fails when there is none, and
// remembers what it was asked.
struct FakeInspector {
    std::optional<RecordingSegment> result;
    std::vector<std::pair<QString, Id>> calls;

    SegmentInspector function() {
        return [this](const QString& file, const Id& id) {
            calls.emplace_back(file, id);
            if (!result)
                throw LumbexError(QStringLiteral("The recording contains no readable video."));
            RecordingSegment segment = *result;
            segment.id = id;
            return segment;
        };
    }
};

class Recovery : public ::testing::Test {
protected:
    test::RecordingFolder folder;
    FakeInspector inspector;

    RecordingJournal recover() { return recoverRecording(folder.path(), inspector.function()); }
    std::string failure() {
        return test::thrownMessage([&] { recover(); });
    }
    // Three intact segments of three seconds, saved with the journal.
    RecordingJournal threeSegments() {
        const RecordingJournal journal =
            folder.journal({kThreeSeconds, kThreeSeconds, kThreeSeconds});
        journal.save(folder.path());
        return journal;
    }
    // A journal of two completed segments and one being written, saved; the active file exists.
    RecordingJournal interrupted() {
        RecordingJournal journal = folder.journal({kThreeSeconds, kThreeSeconds});
        journal.completed = false;
        journal.activeSegment = newId();
        test::RecordingFolder::writeFile(folder.segmentFile(*journal.activeSegment), "partial");
        journal.save(folder.path());
        return journal;
    }
};

TEST_F(Recovery, ACompletedRecordingComesBackWhole) {
    const RecordingJournal saved = threeSegments();
    const RecordingJournal recovered = recover();
    EXPECT_EQ(recovered.recording.segments, saved.recording.segments);
    EXPECT_EQ(recovered.recording.recovery, RecordingRecovery::Complete);
    EXPECT_FALSE(recovered.completed);
    EXPECT_FALSE(recovered.issue);
    EXPECT_TRUE(inspector.calls.empty());
}

TEST_F(Recovery, StopsAtTheFirstDamagedSegmentWithoutInspectingTheActiveOne) {
    const auto wrongHash = [](const test::RecordingFolder& f, const RecordingSegment& s) {
        test::RecordingFolder::writeFile(f.segmentFile(s.id), test::segmentBytes(9));
    };
    const auto wrongSize = [](const test::RecordingFolder& f, const RecordingSegment& s) {
        test::RecordingFolder::writeFile(f.segmentFile(s.id), test::segmentBytes(1, 2999));
    };
    const auto missing = [](const test::RecordingFolder& f, const RecordingSegment& s) {
        QFile::remove(f.segmentFile(s.id));
    };
    // The link leads to exactly the right bytes: a link is refused all the same.
    const auto link = [](const test::RecordingFolder& f, const RecordingSegment& s) {
        const QString real = f.outside(QStringLiteral("real.mov"));
        QFile::rename(f.segmentFile(s.id), real);
        QFile::link(real, f.segmentFile(s.id));
    };
    const auto folderInstead = [](const test::RecordingFolder& f, const RecordingSegment& s) {
        QFile::remove(f.segmentFile(s.id));
        QDir().mkdir(f.segmentFile(s.id));
    };
    const struct {
        const char* name;
        std::function<void(const test::RecordingFolder&, const RecordingSegment&)> damage;
    } rows[] = {
        {"other bytes of the same size", wrongHash},
        {"one byte short", wrongSize},
        {"a missing file", missing},
        {"a symbolic link", link},
        {"a folder", folderInstead},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::RecordingFolder f;
        FakeInspector inspect;
        inspect.result = test::makeSegment();
        RecordingJournal journal = f.journal({kThreeSeconds, kThreeSeconds, kThreeSeconds});
        journal.activeSegment = newId();
        test::RecordingFolder::writeFile(f.segmentFile(*journal.activeSegment), "partial");
        journal.save(f.path());
        row.damage(f, journal.recording.segments[1]);

        const RecordingJournal recovered = recoverRecording(f.path(), inspect.function());
        EXPECT_EQ(recovered.recording.segments,
                  std::vector<RecordingSegment>{journal.recording.segments[0]});
        EXPECT_EQ(recovered.issue, QStringLiteral("Recovered through 00:03.000, before a damaged "
                                                  "segment. All later source files have been "
                                                  "kept."));
        EXPECT_EQ(recovered.recording.recovery, RecordingRecovery::Partial);
        EXPECT_TRUE(inspect.calls.empty());
    }
}

TEST_F(Recovery, AddsTheUnfinishedSegmentWhereItCanBeRead) {
    const RecordingJournal saved = interrupted();
    inspector.result = test::makeSegment(1'500'000);
    const RecordingJournal recovered = recover();

    ASSERT_EQ(inspector.calls.size(), 1u);
    EXPECT_EQ(inspector.calls[0].first, folder.segmentFile(*saved.activeSegment));
    EXPECT_EQ(inspector.calls[0].second, *saved.activeSegment);
    ASSERT_EQ(recovered.recording.segments.size(), 3u);
    EXPECT_EQ(recovered.recording.segments[2].id, *saved.activeSegment);
    EXPECT_EQ(recovered.recording.segments[2].duration, 1'500'000);
    EXPECT_EQ(recovered.issue, QStringLiteral("Recovered through 00:07.500. The recording was "
                                              "interrupted; its final moments may be missing."));
    EXPECT_EQ(recovered.recording.recovery, RecordingRecovery::Partial);
    EXPECT_EQ(recovered.activeSegment, saved.activeSegment);
    EXPECT_FALSE(recovered.completed);
}

TEST_F(Recovery, KeepsTheCompletedSegmentsWhenTheUnfinishedOneCannotBeRead) {
    const QString onlyCompleted = QStringLiteral(
        "Only completed segments could be recovered, through 00:06.000. The unfinished segment "
        "could not be read.");
    const struct {
        const char* name;
        std::function<void(const QString& activeFile)> prepare;
        size_t inspections;
    } rows[] = {
        {"the inspector fails", [](const QString&) {}, 1},
        {"the file is missing", [](const QString& file) { QFile::remove(file); }, 0},
        {"the file is a link",
         [&](const QString& file) {
             QFile::remove(file);
             QFile::link(folder.outside(QStringLiteral("elsewhere.mov")), file);
         },
         0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        inspector.calls.clear();
        const RecordingJournal saved = interrupted();
        row.prepare(folder.segmentFile(*saved.activeSegment));
        const RecordingJournal recovered = recover();
        EXPECT_EQ(recovered.recording.segments, saved.recording.segments);
        EXPECT_EQ(recovered.issue, onlyCompleted);
        EXPECT_EQ(recovered.recording.recovery, RecordingRecovery::Partial);
        EXPECT_EQ(inspector.calls.size(), row.inspections);
    }
}

TEST_F(Recovery, AnActiveSegmentThatIsAlreadyKeptIsNotReadAgain) {
    RecordingJournal journal = folder.journal({kThreeSeconds, kThreeSeconds});
    journal.activeSegment = journal.recording.segments[1].id;
    journal.save(folder.path());
    inspector.result = test::makeSegment();

    const RecordingJournal recovered = recover();
    EXPECT_TRUE(inspector.calls.empty());
    EXPECT_EQ(recovered.recording.segments, journal.recording.segments);
    EXPECT_FALSE(recovered.issue);
    EXPECT_EQ(recovered.recording.recovery, RecordingRecovery::Partial);
}

TEST_F(Recovery, TheRecoveryKindSaysWhetherAnythingWasInterrupted) {
    const struct {
        const char* name;
        bool completed;
        bool activeKept;
        std::optional<QString> issue;
        std::optional<RecordingRecovery> before;
        RecordingRecovery expected;
    } rows[] = {
        {"stopped normally", true, false, {}, {}, RecordingRecovery::Complete},
        {"recovered before, completely",
         true,
         false,
         {},
         RecordingRecovery::Complete,
         RecordingRecovery::Complete},
        {"never stopped", false, false, {}, {}, RecordingRecovery::Partial},
        {"a segment was active", true, true, {}, {}, RecordingRecovery::Partial},
        {"a failure was noted",
         true,
         false,
         QStringLiteral("Disk full."),
         {},
         RecordingRecovery::Partial},
        {"recovered before, partly",
         true,
         false,
         {},
         RecordingRecovery::Partial,
         RecordingRecovery::Partial},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::RecordingFolder f;
        RecordingJournal journal = f.journal({kThreeSeconds});
        journal.completed = row.completed;
        if (row.activeKept)
            journal.activeSegment = journal.recording.segments[0].id;
        journal.issue = row.issue;
        journal.recording.recovery = row.before;
        journal.save(f.path());

        const RecordingJournal recovered = recoverRecording(f.path(), inspector.function());
        EXPECT_EQ(recovered.recording.recovery, row.expected);
        EXPECT_EQ(recovered.issue, row.issue);
        EXPECT_FALSE(recovered.completed);
    }
}

TEST_F(Recovery, AnUnreadableJournalKeepsEverything) {
    const QByteArray valid = folder.journal({kThreeSeconds}).encode();
    const QString journalFile = folder.file(kRecordingJournalFile);
    const struct {
        const char* name;
        std::function<void()> prepare;
    } rows[] = {
        {"no journal", [] {}},
        {"not JSON", [&] { test::RecordingFolder::writeFile(journalFile, "{ recording"); }},
        {"a wrong type",
         [&] {
             test::RecordingFolder::writeFile(
                 journalFile, QByteArray(valid).replace("\"completed\": true", "\"completed\": 1"));
         }},
        {"a link to a journal",
         [&] {
             const QString real = folder.outside(QStringLiteral("real.json"));
             test::RecordingFolder::writeFile(real, valid);
             QFile::link(real, journalFile);
         }},
        {"a folder", [&] { QDir().mkdir(journalFile); }},
        {"larger than any note",
         [&] {
             test::RecordingFolder::writeFile(
                 journalFile, valid + QByteArray((8 << 20) - valid.size() + 1, ' '));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(journalFile);
        QDir().rmdir(journalFile);
        row.prepare();
        EXPECT_EQ(failure(), kUnreadable);
    }
    EXPECT_EQ(test::thrownMessage([&] {
                  recoverRecording(folder.outside(QStringLiteral("missing")), inspector.function());
              }),
              kUnreadable);
}

TEST_F(Recovery, AJournalOfAnotherVersionNeedsANewerLumbex) {
    const QByteArray bytes = folder.journal({kThreeSeconds}).encode();
    test::RecordingFolder::writeFile(folder.file(kRecordingJournalFile),
                                     QByteArray(bytes).replace("\"version\": 1", "\"version\": 2"));
    EXPECT_EQ(failure(), "This recording needs a newer version of Lumbex.");
}

TEST_F(Recovery, ARecordingThatFailsValidationIsNotRecovered) {
    const struct {
        const char* name;
        std::function<void(RecordingJournal&)> change;
        const char* expected;
    } rows[] = {
        {"no segments", [](RecordingJournal& j) { j.recording.segments.clear(); },
         "The recording has no complete segments or contains duplicate segments."},
        {"the first segment damaged",
         [](RecordingJournal& j) { j.recording.segments[0].sha256 = test::digest('0'); },
         "The recording has no complete segments or contains duplicate segments."},
        {"a trim past the end",
         [](RecordingJournal& j) {
             j.recording.trim = RecordingRange{0, kThreeSeconds + 1};
         },
         "Choose a valid recording range."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        test::RecordingFolder f;
        RecordingJournal journal = f.journal({kThreeSeconds});
        row.change(journal);
        journal.save(f.path());
        EXPECT_EQ(test::thrownMessage([&] { recoverRecording(f.path(), inspector.function()); }),
                  row.expected);
    }
}

TEST_F(Recovery, NothingInTheFolderIsWrittenMovedOrRemoved) {
    const struct {
        const char* name;
        std::function<void()> prepare;
    } rows[] = {
        {"a damaged segment",
         [this] {
             const RecordingJournal j = threeSegments();
             test::RecordingFolder::writeFile(folder.segmentFile(j.recording.segments[1].id),
                                              "damaged");
             test::RecordingFolder::writeFile(folder.file(QStringLiteral("notes.txt")), "x");
         }},
        {"an unfinished segment read",
         [this] {
             interrupted();
             inspector.result = test::makeSegment();
         }},
        {"an unfinished segment unreadable",
         [this] {
             interrupted();
             inspector.result.reset();
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(folder.path());
        row.prepare();
        const auto before = folder.snapshot();
        ASSERT_FALSE(before.empty());
        recover();
        EXPECT_EQ(folder.snapshot(), before);
    }
}

} // namespace
} // namespace lumbex
