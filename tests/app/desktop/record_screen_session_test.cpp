// Record Screen in the real application on a private X server, window manager and sound server,
// driven by another client (xdotool) as a person would: the tray menu, the dialog, the picker, the
// countdown, the floating controls, the recording window's edits and export by their keys, and the
// recovery offered after the application was killed mid-recording.
#include "platform/export_fixtures.h"
#include "support/desktop_session.h"
#include "support/pulse_server.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>
#include <optional>

namespace lumbex {
namespace {

using test::processEventsFor;
using test::processEventsUntil;

class RecordScreenSession : public testing::Test {
protected:
    void SetUp() override {
        if (const std::optional<QString> missing = session.missing())
            FAIL() << missing->toStdString();
        if (!pulse.missing().isEmpty())
            GTEST_SKIP() << pulse.missing().toStdString();
        ASSERT_TRUE(pulse.running()) << "the private PulseAudio server did not start";
        session.environment().insert("PULSE_SERVER", pulse.address());
        animation.setProcessEnvironment(session.environment());
        animation.start(QStringLiteral(LUMBEX_TEST_ANIMATION), {"0", "0", "600", "400", "30"});
        ASSERT_TRUE(animation.waitForReadyRead(10000)) << "the animation did not start";
        // A system tray of one icon's size at the bottom right, where the application docks.
        tray.setProcessEnvironment(session.environment());
        tray.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                              "--width", "32", "--height", "32", "--transparent", "false"});
        ASSERT_TRUE(tray.waitForStarted(5000)) << "trayer is not installed";
        ASSERT_TRUE(run("xdotool", {"search", "--sync", "--name", "^panel$"}));
        ASSERT_TRUE(session.startApp(LUMBEX_BINARY));
    }

    void TearDown() override {
        session.stopApp();
        for (QProcess* process : {&animation, &tray}) {
            process->kill();
            process->waitForFinished(3000);
        }
    }

    std::optional<QString> run(const QString& program, const QStringList& args, int ms = 15000) {
        return session.run(program, args, ms);
    }
    std::optional<QString> visibleWindow(const QString& title) {
        return session.visibleWindow(title);
    }
    bool waitForWindow(const QString& title, int ms = 15000) {
        return session.waitForWindow(title, true, ms);
    }
    // Presses the default button of the window with that title.
    bool confirm(const QString& title) {
        return run("xdotool",
                   {"search", "--onlyvisible", "--name", title, "windowactivate", "--sync"}) &&
               run("xdotool", {"key", "Return"});
    }
    void drag(QPoint from, QPoint to) {
        run("xdotool",
            {"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1"});
        for (int step = 1; step <= 5; ++step) {
            processEventsFor(40);
            const QPoint at = from + (to - from) * step / 5;
            run("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y())});
        }
        processEventsFor(40);
        run("xdotool", {"mouseup", "1"});
    }
    // Clicks the floating controls' button that lies `fromRight` pixels left of its right edge.
    bool clickControl(int fromRight) {
        const std::optional<QString> window =
            run("xdotool", {"search", "--onlyvisible", "--name", "^Screen Recording$"});
        if (!window)
            return false;
        const QString id = window->section('\n', 0, 0);
        const std::optional<QString> geometry =
            run("xdotool", {"getwindowgeometry", "--shell", id});
        if (!geometry)
            return false;
        QMap<QString, int> values;
        for (const QString& line : geometry->split('\n', Qt::SkipEmptyParts))
            values[line.section('=', 0, 0)] = line.section('=', 1).toInt();
        // Relative to the window itself: its reported position includes the frame's offset.
        return run("xdotool",
                   {"mousemove", "--window", id, QString::number(values["WIDTH"] - fromRight),
                    QString::number(values["HEIGHT"] / 2), "click", "1"})
            .has_value();
    }
    void keys(const QStringList& names) {
        for (const QString& name : names) {
            run("xdotool", {"key", name});
            processEventsFor(150);
        }
    }
    // Drags in the window with that title between two fractions of its size.
    void dragInWindow(const QString& title, QPointF from, QPointF to) {
        const std::optional<QString> found =
            run("xdotool", {"search", "--onlyvisible", "--name", title});
        ASSERT_TRUE(found);
        const QString id = found->section('\n', 0, 0);
        const std::optional<QString> geometry =
            run("xdotool", {"getwindowgeometry", "--shell", id});
        ASSERT_TRUE(geometry);
        QMap<QString, int> values;
        for (const QString& line : geometry->split('\n', Qt::SkipEmptyParts))
            values[line.section('=', 0, 0)] = line.section('=', 1).toInt();
        const auto at = [&](QPointF f) {
            return QPoint(values["X"] + int(f.x() * values["WIDTH"]),
                          values["Y"] + int(f.y() * values["HEIGHT"]));
        };
        drag(at(from), at(to));
    }
    // Waits until the saved note shows what an edit should have made of it.
    static bool savedWhen(const std::function<bool()>& condition) {
        return processEventsUntil(condition, 15000);
    }
    // "Record Screen…" in the tray icon's menu: the eighth item that can be chosen.
    void recordScreenFromTheTray() {
        const std::optional<QString> panel = run("xdotool", {"search", "--name", "^panel$"});
        ASSERT_TRUE(panel);
        const std::optional<QString> geometry =
            run("xdotool", {"getwindowgeometry", "--shell", panel->section('\n', 0, 0)});
        ASSERT_TRUE(geometry);
        QMap<QString, int> values;
        for (const QString& line : geometry->split('\n', Qt::SkipEmptyParts))
            values[line.section('=', 0, 0)] = line.section('=', 1).toInt();
        run("xdotool", {"mousemove", QString::number(values["X"] + values["WIDTH"] / 2),
                        QString::number(values["Y"] + values["HEIGHT"] / 2), "click", "3"});
        processEventsFor(600);
        keys(QStringList(8, QStringLiteral("Down")) << QStringLiteral("Return"));
    }
    // Record Screen… as another launch asks for it (the desktop entry's action).
    void recordScreenFromASecondLaunch() {
        QProcess second;
        second.setProcessEnvironment(session.environment());
        second.start(LUMBEX_BINARY, {"--record-screen"});
        ASSERT_TRUE(
            processEventsUntil([&] { return second.state() == QProcess::NotRunning; }, 15000));
        ASSERT_EQ(second.exitCode(), 0);
    }
    enum class Entry { Tray, SecondLaunch };
    // Record Screen…, then an area over the animation until the controls show.
    void startRecording(Entry entry) {
        if (entry == Entry::Tray)
            recordScreenFromTheTray();
        else
            recordScreenFromASecondLaunch();
        ASSERT_TRUE(waitForWindow("^Record Screen$")) << "no Record Screen dialog";
        ASSERT_TRUE(confirm("^Record Screen$"));
        ASSERT_TRUE(waitForWindow("^Choose Capture Area$")) << "no picker";
        processEventsFor(300);
        drag({50, 50}, {550, 350});
        ASSERT_TRUE(waitForWindow("^Screen Recording$", 20000)) << "no recording controls";
    }
    // The note packages in the notes library.
    QStringList notes() const {
        QStringList found;
        QDirIterator it(session.folder().path("data/Lumbex/Notes"), {"*.capturenote"}, QDir::Dirs);
        while (it.hasNext())
            found << it.next();
        return found;
    }
    static QJsonObject noteJSON(const QString& package) {
        QFile file(QDir(package).filePath("note.json"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    test::PulseServer pulse;
    test::DesktopSession session;
    QProcess animation;
    QProcess tray;
};

// From the right edge of the controls: Stop, then Pause/Resume.
constexpr int kStop = 52;
constexpr int kPause = 138;
// The recording window is titled with its note's title alone.
const QString kRecordingWindow = QStringLiteral("^Recording [^—]*[AP]M$");

TEST_F(RecordScreenSession, APausedRecordingOpensAsANoteAndIsEditedAndExportedInItsWindow) {
    startRecording(Entry::Tray);
    processEventsFor(2000);
    ASSERT_TRUE(clickControl(kPause));
    processEventsFor(1000);
    ASSERT_TRUE(clickControl(kPause));
    processEventsFor(1500);
    ASSERT_TRUE(clickControl(kStop));
    ASSERT_TRUE(waitForWindow("^Recording .* — Lumbex$", 30000)) << "the note did not open";
    EXPECT_FALSE(visibleWindow("^Screen Recording$")) << "the controls stayed";

    const QStringList saved = notes();
    ASSERT_EQ(saved.size(), 1);
    const QString package = saved.first();
    const QJsonArray segments =
        noteJSON(package)["screenRecording"].toObject()["segments"].toArray();
    EXPECT_EQ(segments.size(), 2) << "a pause ends a segment";
    EXPECT_EQ(QDir(QDir(package).filePath("video")).entryList({"*.mov"}).size(), 2);

    // File → Open Recording, the third item from the menu's end.
    ASSERT_TRUE(run("xdotool", {"search", "--onlyvisible", "--name", "^Recording .* — Lumbex$",
                                "windowactivate", "--sync"}));
    keys({"alt+f", "Up", "Up", "Up", "Return"});
    ASSERT_TRUE(waitForWindow(kRecordingWindow)) << "no recording window";
    ASSERT_TRUE(run("xdotool", {"search", "--onlyvisible", "--name", kRecordingWindow,
                                "windowactivate", "--sync"}));
    const auto recording = [&] { return noteJSON(package)["screenRecording"].toObject(); };

    keys({"alt+s", "ctrl+a"});
    run("xdotool", {"type", "1"});
    keys({"Tab", "ctrl+a"});
    run("xdotool", {"type", "3"});
    keys({"alt+t"});
    const QJsonObject trimmed{{"start", 1'000'000}, {"end", 3'000'000}};
    ASSERT_TRUE(savedWhen([&] { return recording()["trim"] == trimmed; })) << "no trim saved";
    keys({"ctrl+z"});
    EXPECT_TRUE(savedWhen([&] { return !recording().contains("trim"); })) << "undo kept the trim";
    keys({"ctrl+shift+z"});
    EXPECT_TRUE(savedWhen([&] { return recording()["trim"] == trimmed; })) << "redo lost it";

    keys({"alt+d"});
    dragInWindow(kRecordingWindow, {0.45, 0.12}, {0.6, 0.3});
    const auto redactions = [&] { return recording()["redactions"].toArray(); };
    ASSERT_TRUE(savedWhen([&] { return redactions().size() == 1; })) << "no redaction saved";
    keys({"ctrl+z"});
    EXPECT_TRUE(savedWhen([&] { return redactions().isEmpty(); })) << "undo kept the redaction";
    keys({"ctrl+shift+z"});
    ASSERT_TRUE(savedWhen([&] { return redactions().size() == 1; })) << "redo lost it";

    const qsizetype images = noteJSON(package)["media"].toArray().size();
    keys({"alt+r"});
    EXPECT_TRUE(savedWhen([&] {
        return noteJSON(package)["media"].toArray().size() == images + 3;
    })) << "Add Three Frames did not add three images";

    const QString movie = session.folder().path("Recording.mp4");
    keys({"alt+x"});
    ASSERT_TRUE(waitForWindow("^Export Recording$")) << "no save panel";
    keys({"ctrl+a"});
    run("xdotool", {"type", movie});
    keys({"Return"});
    ASSERT_TRUE(session.waitForWindow("^Export Recording$", false, 15000)) << "the panel stayed";
    // The export writes a temporary and renames it into place when it is whole.
    ASSERT_TRUE(processEventsUntil([&] { return QFileInfo::exists(movie); }, 30000))
        << "nothing exported";
    const test::DecodedMovie decoded = test::decodeMovie(movie);
    const QJsonArray rect = redactions().first()["rect"].toArray();
    const QRect hidden(rect[0][0].toInt(), rect[0][1].toInt(), rect[1][0].toInt(),
                       rect[1][1].toInt());
    EXPECT_EQ(decoded.width, 500);
    EXPECT_EQ(decoded.height, 300);
    EXPECT_NEAR(decoded.duration, 2'000'000, 100'000) << "the trim is the movie";
    ASSERT_GE(decoded.frames.size(), 55u);
    for (const test::DecodedFrame& frame : decoded.frames)
        ASSERT_LT(qGray(frame.image.pixel(hidden.center())), 24)
            << "a redacted pixel shows at " << frame.start << " µs";
}

TEST_F(RecordScreenSession, ARecordingCutShortByAKillIsOfferedAtTheNextLaunch) {
    startRecording(Entry::SecondLaunch);
    processEventsFor(2500);
    session.killApp();
    EXPECT_TRUE(notes().isEmpty());

    ASSERT_TRUE(session.startApp(LUMBEX_BINARY));
    ASSERT_TRUE(waitForWindow("^Recording Found$")) << "the launch check offered nothing";
    ASSERT_TRUE(confirm("^Recording Found$"));
    ASSERT_TRUE(waitForWindow("^Recovered · .* — Lumbex$", 30000)) << "no recovered note opened";
    EXPECT_EQ(notes().size(), 1);
}

} // namespace
} // namespace lumbex
