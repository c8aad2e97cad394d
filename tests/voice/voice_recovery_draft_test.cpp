#include "core/files.h"
#include "fake_audio_file.h"
#include "platform/audio_files.h"
#include "support/temporary_folder.h"
#include "voice/voice_recovery_draft.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

const char kMoved[] = "The voice recovery folder was moved or replaced. Its files have been kept.";
const char kInvalid[] =
    "The voice recovery file is incomplete or invalid. Its files have been kept.";
const char kMismatch[] = "This voice draft does not match the recording. Its files have been kept.";
const char kUnreadable[] =
    "The interrupted voice recording cannot be read safely. Its draft has been kept.";
const char kEndsEarly[] =
    "The voice recording ends before its declared audio. Its draft has been kept.";
const char kExists[] = "This voice draft already exists. Its audio has been kept.";

const Id kDocument = *parseId(u"11111111-2222-4333-8444-555555555555");
const Id kRecording = *parseId(u"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee");
const AudioFormat kMono48k{48000, 1};

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return "(no error)";
}

class VoiceRecoveryDraftTest : public testing::Test {
protected:
    test::TemporaryFolder folder;
    QString root = folder.path("Voice Drafts");
    VoiceRecoveryDraft draft{kDocument, kRecording, root};

    void createWithAudio(const QByteArray& audio = QByteArray(1000, 'a')) {
        draft.create();
        QFile file(draft.audioPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(audio);
    }

    // The draft's files, unchanged by a refused operation.
    std::map<QString, QByteArray> files() const { return test::treeOf(root); }
};

TEST_F(VoiceRecoveryDraftTest, DefaultRootIsBesideTheLibrary) {
    EXPECT_EQ(VoiceRecoveryDraft::defaultRoot("/home/u/.local/share/Lumbex/Notes"),
              "/home/u/.local/share/Lumbex/Voice Drafts");
    EXPECT_EQ(VoiceRecoveryDraft::defaultRoot("/data/Voice Preview Notes/"),
              "/data/Voice Preview Drafts");
}

TEST_F(VoiceRecoveryDraftTest, CreatesAPrivateFolderWithItsJournal) {
    EXPECT_FALSE(draft.exists());
    draft.create();
    EXPECT_TRUE(draft.exists());
    EXPECT_EQ(draft.directory(), root + "/11111111-2222-4333-8444-555555555555/"
                                        "AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE");
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(draft.directory()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
    EXPECT_EQ(test::fileBytes(draft.journalPath()),
              "{\"version\":1,\"documentID\":\"11111111-2222-4333-8444-555555555555\","
              "\"recordingID\":\"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE\"}\n");
    EXPECT_EQ(messageOf([&] { draft.create(); }), kExists);
}

TEST_F(VoiceRecoveryDraftTest, RecoversTheAudioAndItsDuration) {
    createWithAudio();
    const auto recovered = draft.recover(test::fakeOpener(kMono48k, 96000, 96000));
    EXPECT_EQ(recovered.data, QByteArray(1000, 'a'));
    EXPECT_DOUBLE_EQ(recovered.duration, 2.0);
    const QStringList leftovers =
        QDir(QDir::tempPath()).entryList({"Lumbex-Recover-*.caf"}, QDir::Files);
    EXPECT_TRUE(leftovers.isEmpty()) << leftovers.join(", ").toStdString();
}

TEST_F(VoiceRecoveryDraftTest, RemovesAMatchingDraft) {
    createWithAudio();
    draft.remove();
    EXPECT_FALSE(draft.exists());
    EXPECT_TRUE(QDir(root).exists());
}

struct JournalCase {
    const char* name;
    QByteArray journal;
    const char* message;
};

class VoiceDraftJournalCases : public VoiceRecoveryDraftTest,
                               public testing::WithParamInterface<JournalCase> {};

TEST_P(VoiceDraftJournalCases, RefusesAndKeepsEverything) {
    createWithAudio();
    writeFileAtomically(draft.journalPath(), GetParam().journal);
    const auto before = files();
    EXPECT_EQ(messageOf([&] { draft.recover(test::fakeOpener(kMono48k, 100, 100)); }),
              GetParam().message);
    EXPECT_EQ(messageOf([&] { draft.remove(); }), GetParam().message);
    EXPECT_EQ(files(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VoiceDraftJournalCases,
    testing::Values(
        JournalCase{"another_recording",
                    R"({"version":1,"documentID":"11111111-2222-4333-8444-555555555555",)"
                    R"("recordingID":"AAAAAAAA-BBBB-4CCC-8DDD-000000000000"})",
                    kMismatch},
        JournalCase{"another_document",
                    R"({"version":1,"documentID":"11111111-2222-4333-8444-000000000000",)"
                    R"("recordingID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"})",
                    kMismatch},
        JournalCase{"version_2",
                    R"({"version":2,"documentID":"11111111-2222-4333-8444-555555555555",)"
                    R"("recordingID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"})",
                    kMismatch},
        JournalCase{"version_as_text",
                    R"({"version":"1","documentID":"11111111-2222-4333-8444-555555555555",)"
                    R"("recordingID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"})",
                    kMismatch},
        JournalCase{"not_json", "{\"version\":1,", kInvalid}, JournalCase{"empty", "", kInvalid},
        JournalCase{"too_large", QByteArray(4097, ' '), kInvalid}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoiceRecoveryDraftTest, RefusesASymlinkedFolder) {
    createWithAudio();
    const QString elsewhere = folder.path("Elsewhere");
    ASSERT_TRUE(QDir().rename(draft.directory(), elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, draft.directory()));
    const auto before = files();
    const auto moved = test::treeOf(elsewhere);
    EXPECT_TRUE(draft.exists());
    EXPECT_EQ(messageOf([&] { draft.recover(test::fakeOpener(kMono48k, 100, 100)); }), kMoved);
    EXPECT_EQ(messageOf([&] { draft.remove(); }), kMoved);
    EXPECT_EQ(messageOf([&] { draft.create(); }), kExists);
    EXPECT_EQ(files(), before);
    EXPECT_EQ(test::treeOf(elsewhere), moved);
    EXPECT_EQ(moved.size(), 2u);
}

TEST_F(VoiceRecoveryDraftTest, RefusesAFileInPlaceOfTheFolder) {
    QDir().mkpath(root + "/11111111-2222-4333-8444-555555555555");
    writeFileAtomically(draft.directory(), "not a folder");
    EXPECT_EQ(messageOf([&] { draft.remove(); }), kMoved);
    EXPECT_EQ(test::fileBytes(draft.directory()), "not a folder");
}

TEST_F(VoiceRecoveryDraftTest, RefusesASymlinkedJournalOrAudio) {
    createWithAudio();
    const QString outside = folder.write("outside.json", test::fileBytes(draft.journalPath()));
    QFile::remove(draft.journalPath());
    ASSERT_TRUE(QFile::link(outside, draft.journalPath()));
    EXPECT_EQ(messageOf([&] { draft.remove(); }), kInvalid);
    EXPECT_TRUE(draft.exists());

    QFile::remove(draft.journalPath());
    QFile::copy(outside, draft.journalPath());
    const QString audio = folder.write("outside.caf", "audio");
    QFile::remove(draft.audioPath());
    ASSERT_TRUE(QFile::link(audio, draft.audioPath()));
    EXPECT_EQ(messageOf([&] { draft.recover(test::fakeOpener(kMono48k, 100, 100)); }), kInvalid);
}

struct AudioCase {
    const char* name;
    QByteArray bytes;
    AudioFormat format;
    qint64 declared;
    qint64 present;
    const char* message;
};

class VoiceDraftAudioCases : public VoiceRecoveryDraftTest,
                             public testing::WithParamInterface<AudioCase> {};

TEST_P(VoiceDraftAudioCases, RefusesAndKeepsEverything) {
    createWithAudio(GetParam().bytes);
    const auto before = files();
    EXPECT_EQ(messageOf([&] {
                  draft.recover(
                      test::fakeOpener(GetParam().format, GetParam().declared, GetParam().present));
              }),
              GetParam().message);
    EXPECT_EQ(files(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VoiceDraftAudioCases,
    testing::Values(AudioCase{"zero_bytes", "", kMono48k, 100, 100, kInvalid},
                    AudioCase{"truncated_mid_data", "abc", kMono48k, 48000, 20000, kEndsEarly},
                    AudioCase{"six_minutes_declared", "abc", kMono48k, 48000 * 360, 48000 * 360,
                              kUnreadable},
                    AudioCase{"no_frames", "abc", kMono48k, 0, 0, kUnreadable},
                    AudioCase{"three_channels", "abc", {48000, 3}, 100, 100, kUnreadable},
                    AudioCase{"no_channels", "abc", {48000, 0}, 100, 100, kUnreadable},
                    AudioCase{"rate_above_192k", "abc", {192001, 1}, 100, 100, kUnreadable},
                    AudioCase{"rate_zero", "abc", {0, 1}, 100, 100, kUnreadable},
                    AudioCase{"rate_not_finite", "abc", {INFINITY, 1}, 100, 100, kUnreadable}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoiceRecoveryDraftTest, FiveMinutesAndOneSecondRecover) {
    createWithAudio();
    EXPECT_DOUBLE_EQ(draft.recover(test::fakeOpener(kMono48k, 48000 * 300, 48000 * 300)).duration,
                     300.0);
    EXPECT_DOUBLE_EQ(draft.recover(test::fakeOpener(kMono48k, 48000 * 301, 48000 * 301)).duration,
                     301.0);
    EXPECT_EQ(messageOf([&] { draft.recover(test::fakeOpener(kMono48k, 48000 * 301 + 1, 1)); }),
              kUnreadable);
}

TEST_F(VoiceRecoveryDraftTest, AnUnopenableAudioFileIsUnreadable) {
    createWithAudio();
    const AudioFileOpener failing = [](const QString&) -> std::unique_ptr<AudioFileInput> {
        throw LumbexError("This audio file couldn’t be read. Choose another recording, or keep "
                          "typing.");
    };
    const auto before = files();
    EXPECT_EQ(messageOf([&] { draft.recover(failing); }), kUnreadable);
    EXPECT_EQ(files(), before);
}

// The stored file as a killed session leaves it: written, never closed.
QByteArray crashedCaf(const test::TemporaryFolder& folder, qint64 frames) {
    const QString path = folder.path("live.caf");
    const AudioFormat format{16000, 1};
    auto output = createCafFile(path, format);
    output->write({format, std::vector<float>(size_t(frames), 0.1f)});
    return test::fileBytes(path);
}

TEST_F(VoiceRecoveryDraftTest, RecoversTheCafOfAKilledSession) {
    createWithAudio(crashedCaf(folder, 40000));
    const auto recovered = draft.recover(openCafPcmFile);
    EXPECT_DOUBLE_EQ(recovered.duration, 2.5);
    EXPECT_EQ(recovered.data, test::fileBytes(draft.audioPath()));
}

TEST_F(VoiceRecoveryDraftTest, ACafTruncatedMidDataEndsBeforeItsDeclaredAudio) {
    const QByteArray whole = crashedCaf(folder, 40000);
    createWithAudio(whole.left(whole.size() - 20000));
    const auto before = files();
    EXPECT_EQ(messageOf([&] { draft.recover(openCafPcmFile); }), kEndsEarly);
    EXPECT_EQ(files(), before);
}

TEST_F(VoiceRecoveryDraftTest, ACafDeclaringSixMinutesIsRefused) {
    createWithAudio(crashedCaf(folder, 16000 * 360));
    EXPECT_EQ(messageOf([&] { draft.recover(openCafPcmFile); }), kUnreadable);
    EXPECT_TRUE(draft.exists());
}

TEST_F(VoiceRecoveryDraftTest, AMissingDraftCannotBeRecoveredOrRemoved) {
    EXPECT_EQ(messageOf([&] { draft.recover(test::fakeOpener(kMono48k, 100, 100)); }), kMoved);
    EXPECT_EQ(messageOf([&] { draft.remove(); }), kMoved);
}

} // namespace
} // namespace lumbex
