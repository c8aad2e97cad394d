#include "platform/recording_media.h"
#include "recording/recording_journal.h"
#include "support/wayland_session.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Recordings through the desktop portal's screen sharing and PipeWire in a private headless sway
// session, whose wlroots backend shares the one output without asking.
class WaylandRecordingTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = test::WaylandSession::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        session = std::make_unique<test::WaylandSession>(size(), scale());
        ASSERT_TRUE(session->missing().isEmpty()) << session->missing().toStdString();
        // Screen sharing sends a picture only when the screen changes: something must move.
        QProcessEnvironment qt;
        qt.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        QProcess& animation = session->startClient(QStringLiteral(LUMBEX_TEST_ANIMATION),
                                                   {"0", "0", "480", "320", "30"}, qt);
        ASSERT_TRUE(animation.waitForReadyRead(20000)) << "the animation did not appear";
    }

    virtual QSize size() const { return QSize(1280, 800); }
    virtual int scale() const { return 1; }

    struct Recorded {
        QString file;
        RecordingSegment segment;
    };

    // Records for `seconds` with `source` into a new folder and reads the one segment it wrote.
    Recorded record(const QStringList& source, const QString& folder, const char* seconds = "3") {
        const test::WaylandSession::Result r = session->run(
            QStringLiteral(LUMBEX_BINARY),
            QStringList{"record"} + source + QStringList{"--seconds", seconds, "--folder", folder},
            {}, 60000);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString path = session->folder() + u'/' + folder;
        EXPECT_EQ(r.out, (path + u'\n').toUtf8());
        // Every picture the portal sent reached the movie.
        const QRegularExpressionMatch line =
            QRegularExpression(QStringLiteral("segment ([0-9A-F-]{36}) duration=\\d+ dropped=0/0"))
                .match(QString::fromUtf8(r.err));
        EXPECT_TRUE(line.hasMatch()) << r.err.toStdString();
        if (!line.hasMatch())
            return {};
        const QString file = path + u'/' + line.captured(1) + QStringLiteral(".mov");
        const std::optional<Id> id = parseId(line.captured(1));
        EXPECT_TRUE(id.has_value());
        return {file, inspectRecordingSegment(file, id.value_or(newId()))};
    }

    // The grant the portal gave, as the settings keep it.
    QString restoreToken() const {
        const QSettings settings(session->folder() + QStringLiteral("/config/Lumbex/Lumbex.ini"),
                                 QSettings::IniFormat);
        return settings.value(QStringLiteral("screenCastRestoreToken")).toString();
    }

    std::unique_ptr<test::WaylandSession> session;
};

TEST_F(WaylandRecordingTest, TheMovingDesktopIsRecordedWithoutDroppedFrames) {
    const Recorded recorded = record({"--display", "0"}, QStringLiteral("rec"));
    ASSERT_FALSE(recorded.file.isEmpty());
    EXPECT_EQ(recorded.segment.width, 1280);
    EXPECT_EQ(recorded.segment.height, 800);
    EXPECT_GE(recorded.segment.duration, 2'800'000);
    EXPECT_LE(recorded.segment.duration, 3'600'000);

    // The animation moves all the time, so pictures a quarter second apart all differ.
    std::vector<QImage> pictures;
    for (qint64 at = 0; at < 2'800'000; at += 250'000)
        pictures.push_back(readRecordingFrame(recorded.file, at));
    int distinct = 1;
    for (size_t i = 1; i < pictures.size(); ++i)
        distinct += pictures[i] != pictures[i - 1];
    EXPECT_GE(distinct, 8) << "of " << pictures.size();
    // The desktop around the animation is the session's background.
    const QColor background = pictures.back().pixelColor(1000, 700);
    EXPECT_NEAR(background.red(), 0x33, 6);
    EXPECT_NEAR(background.green(), 0x66, 6);
    EXPECT_NEAR(background.blue(), 0x99, 6);
}

TEST_F(WaylandRecordingTest, AnAreaIsCutFromTheSharedOutput) {
    // sway centres the floating animation: its right edge is near x = 880, so the area shows the
    // animation on its left and the desktop on its right.
    const Recorded recorded = record({"--area", "780,300,320,200"}, QStringLiteral("area"), "1");
    ASSERT_FALSE(recorded.file.isEmpty());
    EXPECT_EQ(recorded.segment.width, 320);
    EXPECT_EQ(recorded.segment.height, 200);
    const QImage picture = readRecordingFrame(recorded.file, 0);
    const QColor right = picture.pixelColor(250, 100);
    EXPECT_NEAR(right.red(), 0x33, 6);
    EXPECT_NEAR(right.green(), 0x66, 6);
    EXPECT_NEAR(right.blue(), 0x99, 6);
    const QColor left = picture.pixelColor(40, 100);
    EXPECT_GT(std::abs(left.red() - 0x33) + std::abs(left.blue() - 0x99), 40);
}

TEST_F(WaylandRecordingTest, TheNextRecordingReusesTheGrantUnlessAskedToChooseAgain) {
    // The portal says in its log each time it turns a token back into the grant it stands for.
    const auto restored = [&] {
        QFile log(session->folder() + QStringLiteral("/logs/xdg-desktop-portal.log"));
        return log.open(QIODevice::ReadOnly)
                   ? log.readAll().count("Replacing 'restore_token' with portal-specific data")
                   : -1;
    };
    ASSERT_TRUE(restoreToken().isEmpty());
    ASSERT_FALSE(record({"--display", "0"}, QStringLiteral("first"), "1").file.isEmpty());
    EXPECT_FALSE(restoreToken().isEmpty());
    EXPECT_EQ(restored(), 0);
    ASSERT_FALSE(record({"--display", "0"}, QStringLiteral("second"), "1").file.isEmpty());
    EXPECT_EQ(restored(), 1);
    EXPECT_FALSE(restoreToken().isEmpty());
    ASSERT_FALSE(
        record({"--display", "0", "--interactive"}, QStringLiteral("third"), "1").file.isEmpty());
    EXPECT_EQ(restored(), 1);
    EXPECT_FALSE(restoreToken().isEmpty());
}

TEST_F(WaylandRecordingTest, AStaleGrantIsReplacedByTheNewOne) {
    const char stale[] = "0b6f2d7e-5d8c-4c1e-9a51-2f0e3c9d4b7a";
    // Written as the session's user, whose settings they are.
    ASSERT_EQ(session
                  ->run(QStringLiteral("sh"),
                        {"-c", QStringLiteral("mkdir -p config/Lumbex && printf '[General]\\n"
                                              "screenCastRestoreToken=%1\\n' > "
                                              "config/Lumbex/Lumbex.ini")
                                   .arg(QLatin1String(stale))})
                  .exitCode,
              0);
    ASSERT_EQ(restoreToken(), QLatin1String(stale));
    ASSERT_FALSE(record({"--display", "0"}, QStringLiteral("rec"), "1").file.isEmpty());
    EXPECT_FALSE(restoreToken().isEmpty());
    EXPECT_NE(restoreToken(), QLatin1String(stale));
}

// An output at scale 2 (logical size 640 × 400): screenshots, the shared pictures and the areas
// the command takes are in device pixels. (The wlroots portal also gives the shared monitor's
// size in device pixels; portals that give logical ones are covered by the DesktopScale table.)
class WaylandScaledRecordingTest : public WaylandRecordingTest {
protected:
    QSize size() const override { return QSize(1280, 800); }
    int scale() const override { return 2; }
};

TEST_F(WaylandScaledRecordingTest, DisplaysAndAreasAreInDevicePixels) {
    const Recorded display = record({"--display", "0"}, QStringLiteral("display"), "1");
    ASSERT_FALSE(display.file.isEmpty());
    EXPECT_EQ(display.segment.width, 1280);
    EXPECT_EQ(display.segment.height, 800);

    // Right of the centred animation (device pixels 160…1120): the desktop. Cut at half the
    // place, as if the area were logical, it would show the animation instead.
    const Recorded area = record({"--area", "1160,200,100,40"}, QStringLiteral("area"), "1");
    ASSERT_FALSE(area.file.isEmpty());
    EXPECT_EQ(area.segment.width, 100);
    EXPECT_EQ(area.segment.height, 40);
    const QColor middle = readRecordingFrame(area.file, 0).pixelColor(50, 20);
    EXPECT_NEAR(middle.red(), 0x33, 6);
    EXPECT_NEAR(middle.green(), 0x66, 6);
    EXPECT_NEAR(middle.blue(), 0x99, 6);
}

// Two outputs side by side: HEADLESS-1 (1280 × 800, the one the backend shares) and HEADLESS-2
// (800 × 600) to its right.
class WaylandTwoOutputsRecordingTest : public WaylandRecordingTest {
protected:
    void SetUp() override {
        WaylandRecordingTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        try {
            ASSERT_EQ(session->addOutput(QSize(800, 600), QPoint(1280, 0)), "HEADLESS-2");
        } catch (const std::exception& e) {
            FAIL() << e.what();
        }
    }

    test::WaylandSession::Result refused(const QStringList& source, const QString& folder) const {
        return session->run(QStringLiteral(LUMBEX_BINARY),
                            QStringList{"record"} + source +
                                QStringList{"--seconds", "1", "--folder", folder},
                            {}, 60000);
    }
};

TEST_F(WaylandTwoOutputsRecordingTest, OnlyTheSharedOutputIsRecorded) {
    const Recorded shared = record({"--display", "0"}, QStringLiteral("shared"), "1");
    ASSERT_FALSE(shared.file.isEmpty());
    EXPECT_EQ(shared.segment.width, 1280);
    EXPECT_EQ(shared.segment.height, 800);
    const Recorded area = record({"--area", "100,100,320,200"}, QStringLiteral("area"), "1");
    ASSERT_FALSE(area.file.isEmpty());
    EXPECT_EQ(area.segment.width, 320);
    ASSERT_FALSE(restoreToken().isEmpty());

    // The grant is HEADLESS-1: the other output no longer matches it, and the kept grant goes so
    // that the next recording asks.
    const test::WaylandSession::Result other = refused({"--display", "1"}, QStringLiteral("other"));
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_TRUE(other.err.contains("The selected recording source changed. Choose it again."))
        << other.err.toStdString();
    EXPECT_TRUE(restoreToken().isEmpty());

    const test::WaylandSession::Result across =
        refused({"--area", "1200,100,200,200"}, QStringLiteral("across"));
    EXPECT_EQ(across.exitCode, 1);
    EXPECT_TRUE(across.err.contains("Keep the recording area on one display."))
        << across.err.toStdString();
}

// The desktop application: Record Screen with the display as its source records through the
// portal too.
TEST_F(WaylandRecordingTest, RecordScreenRecordsTheDisplay) {
    if (QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty())
        GTEST_SKIP() << "wtype is not installed (package wtype): run scripts/install-deps";
    session->startClient(QStringLiteral(LUMBEX_BINARY), {"--record-screen"});
    const auto shown = [&](const char* title) {
        return session->swaymsg({"-t", "get_tree"}).out.contains(QByteArray("\"") + title + '"');
    };
    for (int waited = 0; !shown("Record Screen") && waited < 20000; waited += 100)
        QThread::msleep(100);
    ASSERT_TRUE(shown("Record Screen"));
    // Source: Area, Window, Main Display; then Continue, and the countdown.
    const test::WaylandSession::Result typed = session->run(
        QStringLiteral("wtype"), {"-s", "800", "-k", "Down", "-k", "Down", "-k", "Return"});
    ASSERT_EQ(typed.exitCode, 0) << typed.err.toStdString();

    // The recording's folder waits among the pending ones while it runs; its segment grows by
    // two-second fragments.
    const QString pending = session->environment().value(QStringLiteral("XDG_DATA_HOME")) +
                            QStringLiteral("/Lumbex/Notes/Pending Recordings");
    qint64 bytes = 0;
    RecordingJournal journal;
    for (int waited = 0; bytes < 20'000 && waited < 30000; waited += 200) {
        QThread::msleep(200);
        const QStringList folders = QDir(pending).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (folders.size() != 1)
            continue;
        QFile file(pending + u'/' + folders.front() + QStringLiteral("/recording.json"));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        journal = RecordingJournal::decode(file.readAll());
        if (journal.activeSegment)
            bytes = QFileInfo(pending + u'/' + folders.front() + u'/' +
                              idString(*journal.activeSegment) + QStringLiteral(".mov"))
                        .size();
    }
    EXPECT_TRUE(journal.activeSegment);
    EXPECT_FALSE(journal.issue) << journal.issue.value_or(QString()).toStdString();
    EXPECT_GE(bytes, 20'000);
}

TEST_F(WaylandRecordingTest, SharingThatStopsEndsTheRecordingAndKeepsWhatWasRecorded) {
    QProcess& recording = session->startClient(QStringLiteral(LUMBEX_BINARY),
                                               {"record", "--display", "0", "--folder", "lost"});
    const QString folder = session->folder() + QStringLiteral("/lost");
    // Recording once the journal names the segment being written, then a while longer.
    const auto journal = [&] {
        QFile file(folder + QStringLiteral("/recording.json"));
        return file.open(QIODevice::ReadOnly) ? RecordingJournal::decode(file.readAll())
                                              : RecordingJournal();
    };
    for (int waited = 0; !journal().activeSegment && waited < 20000; waited += 100)
        QThread::msleep(100);
    ASSERT_TRUE(journal().activeSegment) << "the recording did not start";
    QThread::msleep(1500);

    // The backend goes, and its PipeWire node with it.
    ASSERT_TRUE(session->stopProgram(QStringLiteral("/usr/libexec/xdg-desktop-portal-wlr")));
    ASSERT_TRUE(recording.waitForFinished(15000)) << "the recording went on";
    EXPECT_EQ(recording.exitCode(), 1);
    QFile log(session->folder() + QStringLiteral("/logs/lumbex.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray said = log.readAll();
    const QString stopped = QStringLiteral(
        "The screen sharing stopped, so the recording ended. Start a new recording to continue.");
    EXPECT_TRUE(said.contains(stopped.toUtf8())) << said.toStdString();
    const RecordingJournal kept = journal();
    EXPECT_EQ(kept.issue, stopped);
    ASSERT_EQ(kept.recording.segments.size(), 1u);
    EXPECT_GE(kept.recording.segments.front().duration, 1'000'000);
}

} // namespace
} // namespace lumbex
