// The voice shortcut held in the real application, on a private X server, window manager and
// sound server whose microphone hears the packaged speech: held on the canvas, a click places a
// voice location and the words go into its note; held again with the cursor in that note, the
// words go into the text. Keys and clicks come from another client (xdotool) as a person's would.
#include "model/note_package.h"
#include "support/desktop_session.h"
#include "support/pulse_server.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace lumbex {
namespace {

using test::processEventsFor;
using test::processEventsUntil;

const QString kSpeech = QStringLiteral("/usr/share/pocketsphinx/test/data/goforward.raw");
const QString kEditorTitle = QStringLiteral(" — Lumbex$");

class VoiceHoldSession : public testing::Test {
protected:
    void SetUp() override {
        for (const char* program : {"Xvfb", "xdotool", "pactl"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty())
                GTEST_SKIP() << program << " is not installed";
        if (!pulse.missing().isEmpty())
            GTEST_SKIP() << pulse.missing().toStdString();
        ASSERT_TRUE(QFileInfo::exists(kSpeech)) << "pocketsphinx-testdata is not installed";
        if (const std::optional<QString> missing = session.missing())
            FAIL() << missing->toStdString();
        ASSERT_TRUE(pulse.running()) << "the private PulseAudio server did not start";
        session.environment().insert("PULSE_SERVER", pulse.address());

        package = session.folder().path("Hold.capturenote");
        const QString shot = session.folder().path("screen.png");
        ASSERT_TRUE(screenLikeImage().save(shot));
        ASSERT_EQ(lumbex({"note", "create", "-o", package, shot}), 0);
        ASSERT_TRUE(session.startApp(LUMBEX_BINARY));
        ASSERT_EQ(lumbex({"shortcuts", "voice", "ctrl+alt+v"}), 0);
        ASSERT_EQ(lumbex({package}), 0);
        ASSERT_TRUE(session.waitForWindow(kEditorTitle)) << "the note did not open";
        processEventsFor(800);
    }

    void TearDown() override { session.stopApp(); }

    // A small window of an application, so that the canvas shows something to point at.
    static QImage screenLikeImage() {
        QImage image(640, 400, QImage::Format_RGB32);
        image.fill(QColor(236, 239, 244));
        QPainter painter(&image);
        painter.fillRect(0, 0, 640, 36, QColor(52, 61, 80));
        painter.fillRect(40, 90, 260, 44, QColor(40, 120, 220));
        painter.fillRect(40, 170, 520, 16, QColor(200, 205, 214));
        painter.fillRect(40, 200, 420, 16, QColor(200, 205, 214));
        painter.setPen(Qt::white);
        painter.drawText(QRect(40, 90, 260, 44), Qt::AlignCenter, QStringLiteral("Continue"));
        return image;
    }

    int lumbex(const QStringList& args) {
        QProcess process;
        process.setProcessEnvironment(session.environment());
        process.start(LUMBEX_BINARY, args);
        processEventsUntil([&] { return process.state() == QProcess::NotRunning; }, 60000);
        return process.state() == QProcess::NotRunning ? process.exitCode() : -1;
    }
    std::optional<QString> run(const QString& program, const QStringList& args, int ms = 15000) {
        return session.run(program, args, ms);
    }

    // The editor's frame on the screen: x, y, width, height.
    std::optional<QRect> editorGeometry() {
        const std::optional<QString> found =
            run("xdotool", {"search", "--onlyvisible", "--name", kEditorTitle});
        if (!found)
            return std::nullopt;
        const QString id = found->section('\n', 0, 0);
        run("xdotool", {"windowactivate", "--sync", id});
        const std::optional<QString> shell = run("xdotool", {"getwindowgeometry", "--shell", id});
        if (!shell)
            return std::nullopt;
        QRect frame;
        for (const QString& line : shell->split('\n')) {
            const QString value = line.section('=', 1);
            if (line.startsWith("X="))
                frame.moveLeft(value.toInt());
            else if (line.startsWith("Y="))
                frame.moveTop(value.toInt());
            else if (line.startsWith("WIDTH="))
                frame.setWidth(value.toInt());
            else if (line.startsWith("HEIGHT="))
                frame.setHeight(value.toInt());
        }
        return frame;
    }

    QJsonObject savedNote() const {
        QFile file(package + "/note.json");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }
    QString textOf(const QJsonObject& note, const QString& noteID) const {
        for (const QJsonValue& linked : note["notes"].toArray())
            if (linked["id"].toString() == noteID)
                return linked["body"].toString();
        return {};
    }
    // The saved recordings once `count` of them are settled: their audio kept, and no longer
    // marked as interrupted, which a voice note is until its last words are saved.
    std::optional<QJsonArray> settledRecordings(int count) {
        std::optional<QJsonArray> found;
        processEventsUntil(
            [&] {
                const QJsonArray recordings = savedNote()["recordings"].toArray();
                int settled = 0;
                for (const QJsonValue& recording : recordings)
                    settled += recording.toObject().contains("audioSHA256") &&
                               recording["issue"].toString() !=
                                   "Recording was interrupted. Review the saved text.";
                if (settled == count)
                    found = recordings;
                return found.has_value();
            },
            60000);
        return found;
    }

    // Plays the speech into the microphone, after half a second of silence.
    std::unique_ptr<QProcess> playSpeech() {
        QFile source(kSpeech);
        source.open(QIODevice::ReadOnly);
        const QString spoken = session.folder().path("spoken.raw");
        QFile file(spoken);
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(16000, '\0') + source.readAll() + QByteArray(32000, '\0'));
        file.close();
        auto player = std::make_unique<QProcess>();
        player->setStandardInputFile(spoken);
        player->setProcessEnvironment(session.environment());
        player->start("pacat", {"--playback", "--raw", "--format=s16le", "--rate=16000",
                                "--channels=1", "--device=v"});
        player->waitForStarted(5000);
        return player;
    }

    // Once the microphone records, a new voice note's recovery draft holds audio.
    bool recording() {
        std::optional<QString> found;
        processEventsUntil(
            [&] {
                QDirIterator drafts(session.folder().path("data/Lumbex/Voice Drafts"),
                                    {"audio.caf"}, QDir::Files, QDirIterator::Subdirectories);
                while (!found && drafts.hasNext()) {
                    const QString draft = drafts.next();
                    if (!seenDrafts.contains(draft) && QFileInfo(draft).size() > 4096)
                        found = draft;
                }
                return found.has_value();
            },
            30000);
        if (found)
            seenDrafts << *found;
        return found.has_value();
    }

    // While the shortcut is held: once the microphone records, plays the speech, and waits until
    // `heard` holds in the saved note.
    bool holdWhileSpeaking(const std::function<bool(const QJsonObject&)>& heard,
                           const QString& screenshot = {}) {
        if (!recording())
            return false;
        const auto player = playSpeech();
        const bool done = processEventsUntil([&] { return heard(savedNote()); }, 40000);
        if (!screenshot.isEmpty())
            run("import", {"-window", "root", screenshot});
        player->waitForFinished(10000);
        return done;
    }

    test::PulseServer pulse;
    // Tall enough for the whole editor window, its status line with the hold's hint included.
    test::DesktopSession session{QSize(1280, 1024)};
    QString package;
    QStringList seenDrafts;
};

TEST_F(VoiceHoldSession, HeldOnTheCanvasThenInTheNoteTheSpokenWordsAreKeptWithTheirAudio) {
    const std::optional<QRect> frame = editorGeometry();
    ASSERT_TRUE(frame);
    // The canvas fills the window's left part; the inspector (at least 300 wide) is on the right.
    const QPoint onCanvas(frame->x() + (frame->width() - 340) / 2,
                          frame->y() + frame->height() / 2);
    const QString x = QString::number(onCanvas.x());
    const QString y = QString::number(onCanvas.y());
    ASSERT_TRUE(run("xdotool", {"mousemove", x, y, "click", "1"}));
    processEventsFor(300);

    ASSERT_TRUE(run("xdotool", {"keydown", "ctrl+alt+v"}));
    processEventsFor(300);
    ASSERT_TRUE(run("xdotool", {"click", "1"}));
    const QString screenshot = QDir::temp().filePath("lumbex-voice-hold.png");
    QString locationID;
    const bool heard = holdWhileSpeaking(
        [&](const QJsonObject& note) {
            const QJsonArray notes = note["notes"].toArray();
            if (notes.size() != 1)
                return false;
            locationID = notes[0]["id"].toString();
            return notes[0]["body"].toString().contains("forward");
        },
        screenshot);
    run("xdotool", {"keyup", "ctrl+alt+v"});
    ASSERT_TRUE(heard) << QJsonDocument(savedNote()).toJson().toStdString();

    std::optional<QJsonArray> recordings = settledRecordings(1);
    ASSERT_TRUE(recordings) << QJsonDocument(savedNote()).toJson().toStdString();
    QJsonObject note = savedNote();
    ASSERT_EQ(note["marks"].toArray().size(), 1);
    const QJsonObject mark = note["marks"].toArray()[0].toObject();
    EXPECT_EQ(mark["kind"].toString(), "pointer");
    EXPECT_EQ(note["notes"].toArray()[0].toObject()["markID"].toString(), mark["id"].toString());
    const QJsonObject first = (*recordings)[0].toObject();
    EXPECT_EQ(first["noteID"].toString(), locationID);
    EXPECT_TRUE(first["transcript"].toString().contains("forward"));
    // On a machine too busy for the recogniser the voice note ends by itself, its audio kept.
    if (first.contains("issue")) {
        EXPECT_EQ(first["issue"].toString(),
                  "Transcription could not keep up. Your recorded audio has been kept.");
    }
    EXPECT_GT(first["duration"].toDouble(), 1.0);
    const QString firstText = textOf(note, locationID);

    // The cursor is now in the location's note: a second hold dictates there, after its words.
    processEventsFor(500);
    ASSERT_TRUE(run("xdotool", {"keydown", "ctrl+alt+v"}));
    const bool heardAgain = holdWhileSpeaking(
        [&](const QJsonObject& saved) { return textOf(saved, locationID).count("forward") == 2; });
    run("xdotool", {"keyup", "ctrl+alt+v"});
    ASSERT_TRUE(heardAgain) << QJsonDocument(savedNote()).toJson().toStdString();
    recordings = settledRecordings(2);
    ASSERT_TRUE(recordings) << QJsonDocument(savedNote()).toJson().toStdString();
    note = savedNote();
    EXPECT_EQ(note["marks"].toArray().size(), 1);
    EXPECT_TRUE(textOf(note, locationID).startsWith(firstText));
    EXPECT_EQ((*recordings)[1].toObject()["noteID"].toString(), locationID);
    // The package reads back whole, each voice note with its audio.
    const NotePackageContents contents = readNotePackage(package);
    ASSERT_TRUE(contents.note.recordings);
    for (const VoiceRecording& recording : *contents.note.recordings)
        EXPECT_TRUE(contents.audio.contains(recording.id));
}

} // namespace
} // namespace lumbex
