#include "core/sha256.h"
#include "fake_audio_file.h"
#include "model/note_package.h"
#include "support/temporary_folder.h"
#include "voice/voice_draft_recovery.h"
#include "voice/voice_recovery_draft.h"
#include "voice_test_notes.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr AudioFormat kMono16k{16000, 1};

struct IssueRow {
    double seconds;
    const char* shown;
};

class RecoveredIssue : public ::testing::TestWithParam<IssueRow> {};

TEST_P(RecoveredIssue, ShowsMinutesAndSeconds) {
    EXPECT_EQ(recoveredVoiceIssue(GetParam().seconds),
              QStringLiteral("Recovered %1 of audio after an interruption. Review the saved text "
                             "or transcribe again. The final moments may be missing.")
                  .arg(QLatin1String(GetParam().shown)));
}

INSTANTIATE_TEST_SUITE_P(Rows, RecoveredIssue,
                         ::testing::Values(IssueRow{0, "0:00"}, IssueRow{2.5, "0:02"},
                                           IssueRow{65.9, "1:05"}, IssueRow{300, "5:00"},
                                           IssueRow{301, "5:01"}));

class VoiceDraftRecoveryTest : public ::testing::Test {
protected:
    void SetUp() override {
        document = test::noteWithLinkedText(folder.path(QStringLiteral("Notes")),
                                            QStringLiteral("Text"), noteID);
        interrupted = addRecording(std::nullopt);
        const QByteArray kept(300, 'k');
        saved = addRecording(sha256Hex(kept));
        document->setAudio(saved, kept);
    }

    Id addRecording(const std::optional<QString>& digest) {
        VoiceRecording r;
        r.id = newId();
        r.noteID = noteID;
        r.locale = QStringLiteral("en-US");
        r.transcript = QStringLiteral("said");
        r.audioSHA256 = digest;
        r.issue = QStringLiteral("Recording was interrupted. Review the saved text.");
        document->update([&](CaptureNote& note) {
            note.schemaVersion = std::max<qint64>(note.schemaVersion, 2);
            if (!note.recordings)
                note.recordings.emplace();
            note.recordings->push_back(r);
        });
        return r.id;
    }

    VoiceRecoveryDraft draftOf(const Id& recording) const {
        return VoiceRecoveryDraft(document->note().id, recording, root);
    }

    void writeDraft(const Id& recording, const QByteArray& audio) {
        const VoiceRecoveryDraft draft = draftOf(recording);
        draft.create();
        QFile file(draft.audioPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(audio);
    }

    const VoiceRecording& recording(const Id& id) const {
        for (const VoiceRecording& r : *document->note().recordings) {
            if (r.id == id)
                return r;
        }
        throw std::logic_error("no such recording");
    }

    test::TemporaryFolder folder;
    QString root = folder.path(QStringLiteral("Voice Drafts"));
    std::unique_ptr<NoteDocument> document;
    Id noteID;
    Id interrupted;
    Id saved;
    // 2.5 seconds of audio, as the stand-in opener reads any file.
    AudioFileOpener opener = test::fakeOpener(kMono16k, 40000, 40000);
};

TEST_F(VoiceDraftRecoveryTest, AnInterruptedRecordingGetsItsAudioBack) {
    const QByteArray audio(5000, 'a');
    writeDraft(interrupted, audio);
    recoverVoiceDraftsAndWait(*document, root, opener);
    const VoiceRecording& r = recording(interrupted);
    EXPECT_DOUBLE_EQ(r.duration, 2.5);
    EXPECT_EQ(r.audioSHA256, sha256Hex(audio));
    EXPECT_EQ(r.issue, recoveredVoiceIssue(2.5));
    EXPECT_EQ(document->contents().audio.at(interrupted), audio);
    EXPECT_FALSE(draftOf(interrupted).exists());
    // Saved before the draft went: the package holds the audio.
    const auto package = readNotePackage(document->filePath());
    EXPECT_EQ(package.audio.at(interrupted), audio);
}

TEST_F(VoiceDraftRecoveryTest, ADraftThatFailsItsChecksStaysAndTheRecordingSaysSo) {
    writeDraft(interrupted, QByteArray());
    recoverVoiceDraftsAndWait(*document, root, opener);
    EXPECT_EQ(recording(interrupted).issue, kUnrecoverableVoiceIssue);
    EXPECT_FALSE(recording(interrupted).audioSHA256);
    EXPECT_TRUE(QFileInfo::exists(draftOf(interrupted).audioPath()));
}

TEST_F(VoiceDraftRecoveryTest, ADraftOfAnotherRecordingStays) {
    writeDraft(interrupted, QByteArray(100, 'a'));
    // The journal now names another recording.
    const VoiceRecoveryDraft other = draftOf(newId());
    QFile journal(draftOf(interrupted).journalPath());
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    QByteArray text = journal.readAll();
    journal.close();
    text.replace(idString(interrupted).toUtf8(), idString(other.recordingID()).toUtf8());
    ASSERT_TRUE(journal.open(QIODevice::WriteOnly | QIODevice::Truncate));
    journal.write(text);
    journal.close();
    recoverVoiceDraftsAndWait(*document, root, opener);
    EXPECT_EQ(recording(interrupted).issue, kUnrecoverableVoiceIssue);
    EXPECT_TRUE(draftOf(interrupted).exists());
}

TEST_F(VoiceDraftRecoveryTest, RecordingsWithAudioOrWithoutADraftAreLeftAlone) {
    writeDraft(saved, QByteArray(100, 'a'));
    const CaptureNote before = document->note();
    recoverVoiceDraftsAndWait(*document, root, opener);
    EXPECT_EQ(document->note(), before);
    EXPECT_TRUE(draftOf(saved).exists());
}

TEST_F(VoiceDraftRecoveryTest, TheDraftStaysUntilTheRecoveryIsSaved) {
    writeDraft(interrupted, QByteArray(100, 'a'));
    document->close();
    recoverVoiceDraftsAndWait(*document, root, opener);
    EXPECT_TRUE(recording(interrupted).audioSHA256);
    EXPECT_TRUE(draftOf(interrupted).exists());
}

} // namespace
} // namespace lumbex
