#include "command_line_fixture.h"
#include "platform/audio_files.h"
#include "support/wav_bytes.h"
#include "voice/voice_recovery_draft.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lumbex {
namespace {

const QString kData = QStringLiteral("/usr/share/pocketsphinx/test/data");

class VoiceCommandTest : public test::CommandLineTest {
protected:
    QString draftsRoot() const { return folder.path("data/Lumbex/Voice Drafts"); }
};

TEST_F(VoiceCommandTest, TranscribesRecordedSpeech) {
    const QString audio =
        folder.write("go.wav", test::monoWav(test::fileBytes(kData + "/goforward.raw"), 16000));
    const auto plain = lumbex({"voice", "transcribe", audio});
    EXPECT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out, "go forward ten meters\n");

    const auto json = lumbex({"voice", "transcribe", audio, "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    EXPECT_TRUE(json.out.startsWith("{\"segments\":[{\"segment\":0,\"text\":\"go forward ten "
                                    "meters\",\"start\":"))
        << json.out.toStdString();
    EXPECT_TRUE(json.out.endsWith("}],\"text\":\"go forward ten meters\"}\n"));
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    const QJsonObject segment = object["segments"].toArray().at(0).toObject();
    EXPECT_LT(segment["start"].toDouble(), segment["end"].toDouble());
    EXPECT_LE(segment["end"].toDouble(), 2.8);
}

TEST_F(VoiceCommandTest, TranscribesBookSpeechInSegments) {
    const auto result =
        lumbex({"voice", "transcribe",
                kData + "/librivox/sense_and_sensibility_01_austen_64kb-0930.wav", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject object = QJsonDocument::fromJson(result.out.toUtf8()).object();
    EXPECT_TRUE(object["text"].toString().startsWith("he might even have been made"))
        << result.out.toStdString();
}

struct RefusalCase {
    const char* name;
    QByteArray bytes;
    const char* message;
};

class VoiceTranscribeRefusals : public VoiceCommandTest,
                                public testing::WithParamInterface<RefusalCase> {};

TEST_P(VoiceTranscribeRefusals, AnswersWithItsMessage) {
    const QString audio = folder.write("input.wav", GetParam().bytes);
    const auto result = lumbex({"voice", "transcribe", audio});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.trimmed(), QString::fromUtf8(GetParam().message));
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(test::fileBytes(audio), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Table, VoiceTranscribeRefusals,
    testing::Values(
        RefusalCase{"silence", test::monoWav(QByteArray(16000 * 2 * 4, '\0'), 16000),
                    "No speech recognized. Play the recording or transcribe it again."},
        RefusalCase{"over_five_minutes", test::monoWav(QByteArray(8000 * 2 * 301, '\0'), 8000),
                    "Choose an audio recording up to 5 minutes long."},
        RefusalCase{"empty_audio", test::monoWav({}, 16000),
                    "Choose an audio recording up to 5 minutes long."},
        RefusalCase{"not_audio", QByteArray("just some text, not a recording"),
                    "This audio file couldn’t be read. Choose another recording, or keep typing."},
        RefusalCase{"empty_file", QByteArray(),
                    "This audio file couldn’t be read. Choose another recording, or keep "
                    "typing."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VoiceCommandTest, FiveMinutesExactlyAreAccepted) {
    const QString audio =
        folder.write("five.wav", test::monoWav(QByteArray(8000 * 2 * 300, '\0'), 8000));
    const auto result = lumbex({"voice", "transcribe", audio});
    // Accepted: the recogniser then hears nothing.
    EXPECT_EQ(result.err.trimmed(),
              "No speech recognized. Play the recording or transcribe it again.");
}

TEST_F(VoiceCommandTest, UsageErrors) {
    EXPECT_EQ(lumbex({"voice", "transcribe"}).exitCode, 2);
    EXPECT_EQ(lumbex({"voice", "transcribe", "a", "b"}).exitCode, 2);
    EXPECT_EQ(lumbex({"voice", "drafts", "extra"}).exitCode, 2);
}

TEST_F(VoiceCommandTest, ListsDraftsWithTheirStateAndKeepsThem) {
    const Id document = *parseId(u"11111111-2222-4333-8444-555555555555");
    const VoiceRecoveryDraft good(document, *parseId(u"AAAAAAAA-0000-4000-8000-000000000001"),
                                  draftsRoot());
    const VoiceRecoveryDraft empty(document, *parseId(u"AAAAAAAA-0000-4000-8000-000000000002"),
                                   draftsRoot());
    good.create();
    empty.create();
    {
        auto output = createCafFile(good.audioPath(), {16000, 1});
        output->write({{16000, 1}, std::vector<float>(16000 * 75, 0.1f)});
    }
    writeFileAtomically(empty.audioPath(), "");
    const auto before = test::treeOf(draftsRoot());

    const auto plain = lumbex({"voice", "drafts"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
    EXPECT_EQ(plain.out,
              "11111111-2222-4333-8444-555555555555\tAAAAAAAA-0000-4000-8000-000000000001\t1:15\n"
              "11111111-2222-4333-8444-555555555555\tAAAAAAAA-0000-4000-8000-000000000002\tThe "
              "voice recovery file is incomplete or invalid. Its files have been kept.\n");

    const auto json = lumbex({"voice", "drafts", "--json"});
    ASSERT_EQ(json.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    const QJsonArray drafts = object["drafts"].toArray();
    ASSERT_EQ(drafts.size(), 2);
    EXPECT_EQ(drafts[0].toObject()["duration"].toDouble(), 75.0);
    EXPECT_EQ(drafts[1].toObject()["problem"].toString(),
              "The voice recovery file is incomplete or invalid. Its files have been kept.");
    EXPECT_EQ(object["root"].toString(), draftsRoot());
    EXPECT_EQ(test::treeOf(draftsRoot()), before);
}

TEST_F(VoiceCommandTest, NoDraftsFolderListsNothing) {
    const auto result = lumbex({"voice", "drafts", "--json"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "{\"drafts\":[],\"root\":\"" + draftsRoot() + "\"}\n");
}

} // namespace
} // namespace lumbex
