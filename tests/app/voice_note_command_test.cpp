#include "command_line_fixture.h"
#include "core/sha256.h"
#include "support/pulse_server.h"
#include "support/wav_bytes.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QUuid>
#include <csignal>

namespace lumbex {
namespace {

const QString kSpeech = QStringLiteral("/usr/share/pocketsphinx/test/data/goforward.raw");

class VoiceNoteCommandTest : public test::CommandLineTest {
protected:
    // Starts `lumbex voice ARGS` in this test's data folder without waiting for it.
    void startVoice(QProcess& process, const QStringList& args) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder.path(QStringLiteral("data")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMBEX_BINARY), QStringList{QStringLiteral("voice")} + args);
    }

    void SetUp() override {
        ASSERT_TRUE(QFileInfo::exists(kSpeech)) << "pocketsphinx-testdata is not installed";
        speech = test::fileBytes(kSpeech);
        package = folder.path(QStringLiteral("n.capturenote"));
        ASSERT_EQ(lumbex({QStringLiteral("note"), QStringLiteral("create"), QStringLiteral("-o"),
                          package, image(QStringLiteral("shot.png"))})
                      .exitCode,
                  0);
    }

    QJsonObject note() const {
        return QJsonDocument::fromJson(test::fileBytes(package + QStringLiteral("/note.json")))
            .object();
    }
    QJsonArray recordings() const { return note()[QStringLiteral("recordings")].toArray(); }
    QString draftsRoot() const { return folder.path(QStringLiteral("data/Lumbex/Voice Drafts")); }
    // The audio file of the draft that `writer` records into, once it exists.
    QString draftAudio(const QProcess& writer, qint64 atLeastBytes = 0) const {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 30000 && writer.state() == QProcess::Running) {
            for (const QFileInfo& document :
                 QDir(draftsRoot()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                for (const QFileInfo& draft :
                     QDir(document.filePath()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                    const QFileInfo audio(draft.filePath() + QStringLiteral("/audio.caf"));
                    if (audio.exists() && audio.size() > atLeastBytes)
                        return audio.filePath();
                }
            }
            QThread::msleep(20);
        }
        return {};
    }
    QString speechFile(int repeats = 1) const {
        return folder.write(QStringLiteral("speech%1.wav").arg(repeats),
                            test::monoWav(speech.repeated(repeats)));
    }

    QByteArray speech;
    QString package;
};

TEST_F(VoiceNoteCommandTest, ImportTranscribesIntoTheGeneralNoteAndKeepsTheAudio) {
    const test::Result result =
        lumbex({QStringLiteral("voice"), QStringLiteral("import"), package, speechFile()});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString id = result.out.trimmed();
    EXPECT_FALSE(QUuid(id).isNull());
    EXPECT_EQ(note()[QStringLiteral("general")].toString(), "go forward ten meters");
    EXPECT_EQ(note()[QStringLiteral("schemaVersion")].toInt(), 2);
    ASSERT_EQ(recordings().size(), 1);
    const QJsonObject recording = recordings()[0].toObject();
    EXPECT_EQ(recording[QStringLiteral("id")].toString(), id);
    EXPECT_EQ(recording[QStringLiteral("transcript")].toString(), "go forward ten meters");
    EXPECT_FALSE(recording.contains(QStringLiteral("issue")));
    EXPECT_FALSE(recording.contains(QStringLiteral("noteID")));
    EXPECT_NEAR(recording[QStringLiteral("duration")].toDouble(), speech.size() / 32000.0, 0.01);
    const QString audio = package + QStringLiteral("/audio/") + id + QStringLiteral(".caf");
    EXPECT_EQ(sha256HexOfFile(audio, QStringLiteral("unreadable")),
              recording[QStringLiteral("audioSHA256")].toString());
    // The draft went when the note was saved.
    EXPECT_FALSE(QFileInfo::exists(draftsRoot() + u'/' + note()[QStringLiteral("id")].toString() +
                                   u'/' + id));
    EXPECT_EQ(lumbex({QStringLiteral("note"), QStringLiteral("check"), package}).exitCode, 0);
}

TEST_F(VoiceNoteCommandTest, ImportGoesIntoALocationNoteAtTheOffset) {
    ASSERT_EQ(
        lumbex({QStringLiteral("note"), QStringLiteral("mark"), package, QStringLiteral("--image"),
                QStringLiteral("1"), QStringLiteral("--kind"), QStringLiteral("pointer"),
                QStringLiteral("--start"), QStringLiteral("5,5"), QStringLiteral("--end"),
                QStringLiteral("5,5"), QStringLiteral("--note"), QStringLiteral("then stop")})
            .exitCode,
        0);
    const test::Result result = lumbex({QStringLiteral("voice"), QStringLiteral("import"), package,
                                        speechFile(), QStringLiteral("--note"), QStringLiteral("1"),
                                        QStringLiteral("--at"), QStringLiteral("0")});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject linked = note()[QStringLiteral("notes")].toArray()[0].toObject();
    EXPECT_EQ(linked[QStringLiteral("body")].toString(), "go forward ten meters then stop");
    EXPECT_EQ(recordings()[0].toObject()[QStringLiteral("noteID")].toString(),
              linked[QStringLiteral("id")].toString());
}

TEST_F(VoiceNoteCommandTest, BadInputIsRefusedAndTheNoteIsUnchanged) {
    const QByteArray before = test::fileBytes(package + QStringLiteral("/note.json"));
    const QString tooLong = folder.write(QStringLiteral("long.wav"),
                                         test::monoWav(QByteArray(2 * (300 * 16000 + 1600), '\0')));
    const QString notAudio = folder.write(QStringLiteral("notes.wav"), "just some text");
    const QString empty = folder.write(QStringLiteral("empty.wav"), test::monoWav(QByteArray()));
    const struct {
        QStringList args;
        int exitCode;
        QString message;
    } rows[] = {
        {{QStringLiteral("voice"), QStringLiteral("import"), package, tooLong},
         1,
         QStringLiteral("Choose an audio recording up to 5 minutes long.")},
        {{QStringLiteral("voice"), QStringLiteral("import"), package, empty},
         1,
         QStringLiteral("Choose an audio recording up to 5 minutes long.")},
        {{QStringLiteral("voice"), QStringLiteral("import"), package, notAudio},
         1,
         QStringLiteral(
             "This audio file couldn’t be read. Choose another recording, or keep typing.")},
        {{QStringLiteral("voice"), QStringLiteral("import"), package, speechFile(),
          QStringLiteral("--note"), QStringLiteral("3")},
         1,
         QStringLiteral("This note has no note 3.")},
        {{QStringLiteral("voice"), QStringLiteral("import"), package, speechFile(),
          QStringLiteral("--at"), QStringLiteral("9")},
         1,
         QStringLiteral("The text has only 0 characters; choose an offset up to that.")},
        {{QStringLiteral("voice"), QStringLiteral("import"), package, speechFile(),
          QStringLiteral("--note"), QStringLiteral("1"), QStringLiteral("--general")},
         2,
         {}},
        {{QStringLiteral("voice"), QStringLiteral("dictate"), package}, 2, {}},
        {{QStringLiteral("voice"), QStringLiteral("remove-audio"), package,
          QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
         1,
         QStringLiteral("This note has no voice recording with that id.")},
    };
    for (const auto& row : rows) {
        const test::Result result = lumbex(row.args);
        EXPECT_EQ(result.exitCode, row.exitCode) << row.args.join(u' ').toStdString();
        if (!row.message.isEmpty()) {
            EXPECT_EQ(result.err.trimmed(), row.message);
        }
        EXPECT_EQ(test::fileBytes(package + QStringLiteral("/note.json")), before);
    }
}

TEST_F(VoiceNoteCommandTest, RemoveAudioKeepsTheTextAndTheTranscript) {
    const QString id =
        lumbex({QStringLiteral("voice"), QStringLiteral("import"), package, speechFile()})
            .out.trimmed();
    ASSERT_FALSE(id.isEmpty());
    const test::Result result =
        lumbex({QStringLiteral("voice"), QStringLiteral("remove-audio"), package, id});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QJsonObject recording = recordings()[0].toObject();
    EXPECT_FALSE(recording.contains(QStringLiteral("audioSHA256")));
    EXPECT_EQ(recording[QStringLiteral("transcript")].toString(), "go forward ten meters");
    EXPECT_EQ(note()[QStringLiteral("general")].toString(), "go forward ten meters");
    EXPECT_FALSE(
        QFileInfo::exists(package + QStringLiteral("/audio/") + id + QStringLiteral(".caf")));
}

TEST_F(VoiceNoteCommandTest, DictationWithoutAMicrophoneSaysSoAndKeepsNothing) {
    const QByteArray before = test::fileBytes(package + QStringLiteral("/note.json"));
    const test::Result result = lumbex({QStringLiteral("voice"), QStringLiteral("dictate"), package,
                                        QStringLiteral("--seconds"), QStringLiteral("1")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_FALSE(result.err.isEmpty());
    EXPECT_FALSE(note().contains(QStringLiteral("recordings")));
    EXPECT_EQ(note()[QStringLiteral("schemaVersion")].toInt(),
              QJsonDocument::fromJson(before).object()[QStringLiteral("schemaVersion")].toInt());
}

TEST_F(VoiceNoteCommandTest, AKilledImportIsRecoveredWhenTheNoteIsOpened) {
    QProcess process;
    startVoice(process, {QStringLiteral("import"), package, speechFile(40)});
    ASSERT_TRUE(process.waitForStarted());
    // Kill the process outright once the draft holds a few seconds of audio.
    const QString audio = draftAudio(process, 200000);
    ASSERT_FALSE(audio.isEmpty());
    ASSERT_EQ(process.state(), QProcess::Running) << "the import ended before it could be killed";
    process.kill();
    process.waitForFinished();
    ASSERT_EQ(recordings().size(), 1);
    EXPECT_EQ(recordings()[0].toObject()[QStringLiteral("issue")].toString(),
              "Recording was interrupted. Review the saved text.");

    ASSERT_EQ(lumbex({QStringLiteral("note"), QStringLiteral("check"), package}).exitCode, 0);
    const QJsonObject recording = recordings()[0].toObject();
    // The issue names the recovered length, which depends on how far the import got.
    const double seconds = recording[QStringLiteral("duration")].toDouble();
    EXPECT_GT(seconds, 3.0);
    EXPECT_LT(seconds, 40 * speech.size() / 32000.0);
    const int whole = int(seconds);
    EXPECT_EQ(recording[QStringLiteral("issue")].toString(),
              QStringLiteral("Recovered %1:%2 of audio after an interruption. Review the saved "
                             "text or transcribe again. The final moments may be missing.")
                  .arg(whole / 60)
                  .arg(whole % 60, 2, 10, QLatin1Char('0')));
    EXPECT_TRUE(recording.contains(QStringLiteral("audioSHA256")));
    EXPECT_FALSE(QFileInfo::exists(audio));
}

// Speech played into the private server's sink reaches its default source, the "microphone".
std::unique_ptr<QProcess> playSpeech(const QString& file) {
    auto player = std::make_unique<QProcess>();
    player->setStandardInputFile(file);
    player->start(QStringLiteral("pacat"),
                  {QStringLiteral("--playback"), QStringLiteral("--raw"),
                   QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                   QStringLiteral("--channels=1"), QStringLiteral("--device=v")});
    player->waitForStarted(5000);
    return player;
}

TEST_F(VoiceNoteCommandTest, DictationWritesWhatTheMicrophoneHears) {
    test::PulseServer server;
    if (!server.missing().isEmpty())
        GTEST_SKIP() << server.missing().toStdString();
    ASSERT_TRUE(server.running());
    // Half a second of silence first, so that the dictation is listening when the words come.
    const QString spoken = folder.write(QStringLiteral("spoken.raw"),
                                        QByteArray(16000, '\0') + speech + QByteArray(32000, '\0'));
    QProcess dictation;
    startVoice(dictation, {QStringLiteral("dictate"), package, QStringLiteral("--seconds"),
                           QStringLiteral("7")});
    ASSERT_TRUE(dictation.waitForStarted());
    ASSERT_FALSE(draftAudio(dictation).isEmpty()) << "the dictation never started recording";
    const auto player = playSpeech(spoken);
    ASSERT_TRUE(dictation.waitForFinished(60000));
    ASSERT_EQ(dictation.exitCode(), 0) << dictation.readAllStandardError().toStdString();
    const QString id = QString::fromUtf8(dictation.readAllStandardOutput()).trimmed();
    ASSERT_EQ(recordings().size(), 1);
    const QJsonObject recording = recordings()[0].toObject();
    EXPECT_EQ(recording[QStringLiteral("id")].toString(), id);
    EXPECT_TRUE(note()[QStringLiteral("general")].toString().contains(QStringLiteral("forward")))
        << note()[QStringLiteral("general")].toString().toStdString();
    // Never more than asked for; less when the capture starts late on a busy machine.
    EXPECT_GT(recording[QStringLiteral("duration")].toDouble(), 2.0);
    EXPECT_LE(recording[QStringLiteral("duration")].toDouble(), 7.5);
    EXPECT_TRUE(recording.contains(QStringLiteral("audioSHA256")));
}

TEST_F(VoiceNoteCommandTest, AnInterruptedDictationStopsEarlyAndKeepsItsAudio) {
    test::PulseServer server;
    if (!server.missing().isEmpty())
        GTEST_SKIP() << server.missing().toStdString();
    ASSERT_TRUE(server.running());
    QProcess dictation;
    startVoice(dictation, {QStringLiteral("dictate"), package, QStringLiteral("--seconds"),
                           QStringLiteral("60")});
    ASSERT_TRUE(dictation.waitForStarted());
    ASSERT_FALSE(draftAudio(dictation).isEmpty()) << "the dictation never started recording";
    const auto player = playSpeech(folder.write(QStringLiteral("spoken.raw"), speech.repeated(4)));
    QThread::msleep(3000);
    ::kill(pid_t(dictation.processId()), SIGINT);
    ASSERT_TRUE(dictation.waitForFinished(30000));
    EXPECT_EQ(dictation.exitCode(), 0) << dictation.readAllStandardError().toStdString();
    ASSERT_EQ(recordings().size(), 1);
    EXPECT_LT(recordings()[0].toObject()[QStringLiteral("duration")].toDouble(), 10.0);
    EXPECT_TRUE(recordings()[0].toObject().contains(QStringLiteral("audioSHA256")));
}

TEST_F(VoiceNoteCommandTest, AKilledDictationIsRecoveredWhenTheNoteIsOpened) {
    test::PulseServer server;
    if (!server.missing().isEmpty())
        GTEST_SKIP() << server.missing().toStdString();
    ASSERT_TRUE(server.running());
    QProcess dictation;
    startVoice(dictation, {QStringLiteral("dictate"), package, QStringLiteral("--seconds"),
                           QStringLiteral("60")});
    ASSERT_TRUE(dictation.waitForStarted());
    const auto player = playSpeech(folder.write(QStringLiteral("spoken.raw"), speech.repeated(4)));
    // A few seconds of stored audio.
    const QString audio = draftAudio(dictation, 200000);
    ASSERT_FALSE(audio.isEmpty());
    ASSERT_EQ(dictation.state(), QProcess::Running)
        << dictation.readAllStandardError().toStdString();
    dictation.kill();
    dictation.waitForFinished();
    ASSERT_EQ(recordings().size(), 1);
    EXPECT_EQ(recordings()[0].toObject()[QStringLiteral("issue")].toString(),
              "Recording was interrupted. Review the saved text.");

    ASSERT_EQ(lumbex({QStringLiteral("note"), QStringLiteral("check"), package}).exitCode, 0);
    const QJsonObject recording = recordings()[0].toObject();
    EXPECT_TRUE(
        recording[QStringLiteral("issue")].toString().startsWith(QStringLiteral("Recovered 0:0")))
        << recording[QStringLiteral("issue")].toString().toStdString();
    EXPECT_GT(recording[QStringLiteral("duration")].toDouble(), 0.5);
    EXPECT_TRUE(recording.contains(QStringLiteral("audioSHA256")));
    EXPECT_FALSE(QFileInfo::exists(audio));
}

} // namespace
} // namespace lumbex
