#include "core/files.h"
#include "recording/recording_journal.h"
#include "recording_fixtures.h"

#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const char kNewerVersion[] = "This recording needs a newer version of Lumbex.";

Id fixedId(const char* text) {
    return *parseId(QString::fromLatin1(text));
}

// Every field set, with values that print exactly.
RecordingJournal fullJournal() {
    RecordingSegment segment;
    segment.id = fixedId("0561fa00-aaaa-4bbb-8ccc-0123456789ab");
    segment.width = 1280;
    segment.height = 720;
    segment.sourceStart = 5;
    segment.duration = 3000000;
    segment.hostStart = 100;
    segment.hostEnd = 3000100;
    segment.sha256 = test::digest('c');
    segment.byteCount = 4096;
    segment.audioTracks = {{RecordingAudio::System, 2}, {RecordingAudio::Microphone, 3}};
    segment.droppedVideo = 1;
    segment.droppedAudio = 2;

    RecordingJournal journal;
    journal.recording.id = fixedId("11111111-2222-4333-8444-555555555555");
    journal.recording.title = QStringLiteral("Demo");
    journal.recording.createdAt = 700000000.5;
    journal.recording.segments = {segment};
    journal.recording.trim = RecordingRange{0, 2000000};
    journal.recording.crop = Rect{0, 0, 640, 360};
    journal.recording.muteSystem = true;
    journal.recording.redactions = {
        {fixedId("66666666-7777-4888-8999-aaaaaaaaaaaa"), {10, 20}, Rect{1, 2, 30, 40}}};
    journal.recording.recovery = RecordingRecovery::Partial;
    journal.activeSegment = fixedId("bbbbbbbb-cccc-4ddd-8eee-ffffffffffff");
    journal.issue = QStringLiteral("Recording stopped.");
    return journal;
}

TEST(RecordingJournal, EncodesSortedKeysWithTheRecordingAsNotesStoreIt) {
    const QByteArray expected =
        R"({"activeSegment":"BBBBBBBB-CCCC-4DDD-8EEE-FFFFFFFFFFFF","completed":false,)"
        R"("issue":"Recording stopped.","recording":{"createdAt":700000000.5,)"
        R"("crop":[[0,0],[640,360]],"id":"11111111-2222-4333-8444-555555555555",)"
        R"("muteMicrophone":false,"muteSystem":true,"recovery":"partial",)"
        R"("redactions":[{"id":"66666666-7777-4888-8999-AAAAAAAAAAAA",)"
        R"("range":{"end":20,"start":10},"rect":[[1,2],[30,40]]}],)"
        R"("segments":[{"audioTracks":["system",2,"microphone",3],"byteCount":4096,)"
        R"("droppedAudio":2,"droppedVideo":1,"duration":3000000,"height":720,)"
        R"("hostEnd":3000100,"hostStart":100,"id":"0561FA00-AAAA-4BBB-8CCC-0123456789AB",)"
        R"("sha256":"cccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccccc",)"
        R"("sourceStart":5,"width":1280}],"title":"Demo","trim":{"end":2000000,"start":0}},)"
        R"("version":1})";
    EXPECT_EQ(fullJournal().encode(false), expected);
}

TEST(RecordingJournal, PrettyFormLeavesOutAbsentFieldsAndEndsWithALineBreak) {
    RecordingJournal journal = RecordingJournal::make();
    journal.recording.id = fixedId("11111111-2222-4333-8444-555555555555");
    journal.recording.createdAt = 1;
    EXPECT_EQ(journal.encode(), QByteArray(R"({
    "completed": false,
    "recording": {
        "createdAt": 1,
        "id": "11111111-2222-4333-8444-555555555555",
        "muteMicrophone": false,
        "muteSystem": false,
        "redactions": [],
        "segments": [],
        "title": "Recording"
    },
    "version": 1
}
)"));
}

TEST(RecordingJournal, DecodingGivesBackWhatWasEncoded) {
    const RecordingJournal full = fullJournal();
    EXPECT_EQ(RecordingJournal::decode(full.encode()), full);
    EXPECT_EQ(RecordingJournal::decode(full.encode(false)), full);
    const RecordingJournal fresh = RecordingJournal::make();
    EXPECT_EQ(RecordingJournal::decode(fresh.encode()), fresh);
}

TEST(RecordingJournal, ANewJournalIsVersionOneOfAnEmptyRecording) {
    const RecordingJournal journal = RecordingJournal::make();
    EXPECT_EQ(journal.version, 1);
    EXPECT_FALSE(journal.completed);
    EXPECT_FALSE(journal.activeSegment);
    EXPECT_FALSE(journal.issue);
    EXPECT_EQ(journal.recording.title, QStringLiteral("Recording"));
    EXPECT_TRUE(journal.recording.segments.empty());
    EXPECT_NE(RecordingJournal::make().recording.id, journal.recording.id);
}

// `text` with the first occurrence of `from` replaced.
QByteArray edited(const QByteArray& text, const char* from, const char* to) {
    const qsizetype at = text.indexOf(from);
    EXPECT_GE(at, 0) << from;
    return QByteArray(text).replace(at, qsizetype(strlen(from)), to);
}

TEST(RecordingJournal, DecodingRefusesWrongTypesInsteadOfDefaulting) {
    const QByteArray good = fullJournal().encode(false);
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"not JSON", "recording"},
        {"an array", "[]"},
        {"version as text", edited(good, R"("version":1)", R"("version":"1")")},
        {"version missing", edited(good, R"(,"version":1)", "")},
        {"completed as text", edited(good, R"("completed":false)", R"("completed":"false")")},
        {"completed missing", edited(good, R"("completed":false,)", "")},
        {"active segment a number", edited(good, R"("BBBBBBBB-CCCC-4DDD-8EEE-FFFFFFFFFFFF")", "7")},
        {"active segment no UUID", edited(good, "BBBBBBBB-CCCC-4DDD-8EEE-FFFFFFFFFFFF", "B")},
        {"issue a number", edited(good, R"("Recording stopped.")", "5")},
        {"recording an array", edited(good, R"("recording":{)", R"("recording":[{)")},
        {"recording missing", R"({"completed":false,"version":1})"},
        {"a segment's duration as text",
         edited(good, R"("duration":3000000)", R"("duration":"3")")},
        {"unknown recovery", edited(good, R"("partial")", R"("halfway")")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string message =
            test::thrownMessage([&] { RecordingJournal::decode(row.bytes); });
        EXPECT_FALSE(message.empty());
        EXPECT_NE(message, kNewerVersion);
    }
}

TEST(RecordingJournal, AnotherVersionNeedsANewerLumbexButCanStillBeDescribed) {
    const RecordingJournal full = fullJournal();
    for (const char* version : {R"("version":2)", R"("version":0)"}) {
        SCOPED_TRACE(version);
        const QByteArray bytes = edited(full.encode(false), R"("version":1)", version);
        EXPECT_EQ(test::thrownMessage([&] { RecordingJournal::decode(bytes); }), kNewerVersion);
        EXPECT_EQ(RecordingJournal::decodeAnyVersion(bytes).recording, full.recording);
    }
    // A newer journal whose shape changed is still a newer journal, not a damaged one.
    EXPECT_EQ(test::thrownMessage([] { RecordingJournal::decode(R"({"version":2})"); }),
              kNewerVersion);
}

TEST(RecordingJournal, SaveReplacesTheFileAndNeverWritesThroughALink) {
    const test::RecordingFolder folder;
    const QString journalFile = folder.file(kRecordingJournalFile);
    const QString elsewhere = folder.outside(QStringLiteral("elsewhere.json"));
    test::RecordingFolder::writeFile(elsewhere, "kept");
    ASSERT_TRUE(QFile::link(elsewhere, journalFile));

    const RecordingJournal journal = fullJournal();
    journal.save(folder.path());
    EXPECT_EQ(entryKind(journalFile), EntryKind::File);
    EXPECT_EQ(test::fileBytes(journalFile), journal.encode());
    EXPECT_EQ(test::fileBytes(elsewhere), "kept");

    RecordingJournal later = journal;
    later.completed = true;
    later.save(folder.path());
    EXPECT_EQ(RecordingJournal::decode(test::fileBytes(journalFile)), later);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{kRecordingJournalFile});
}

} // namespace
} // namespace lumbex
