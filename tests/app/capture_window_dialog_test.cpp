#include "command_line_fixture.h"
#include "model/image_files.h"
#include "platform/portal_screenshot.h"
#include "recording/recording_journal.h"
#include "support/chosen_window_rig.h"
#include "support/test_images.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::quarters;

const QString hint =
    QStringLiteral(" Here, use --window --interactive to choose it in the desktop’s dialog.");

// `lumbex capture` as in a Wayland session whose portal (the fake one, on a private bus) lets the
// person choose a window, whose pictures come from a private PipeWire server's node.
class CaptureWindowDialogTest : public test::CommandLineTest {
protected:
    void SetUp() override {
        if (const QString reason = test::ChosenWindowRig::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        rig = std::make_unique<test::ChosenWindowRig>(
            QStringLiteral(LUMBEX_FAKE_SCREEN_CAST_PORTAL), quarters(QSize(64, 48)));
        ASSERT_TRUE(rig->problem().isEmpty()) << rig->problem().toStdString();
        portal = &rig->portal();
        qputenv("DBUS_SESSION_BUS_ADDRESS", portal->address().toLocal8Bit());
        qputenv("LUMBEX_SCREEN", "portal");
        qputenv("XDG_CONFIG_HOME", folder.path(QStringLiteral("config")).toLocal8Bit());
        // Without the shadow the capture is the window's picture itself.
        QSettings settings(folder.path(QStringLiteral("config/Lumbex/Lumbex.ini")),
                           QSettings::IniFormat);
        settings.setValue(QStringLiteral("captureWindowShadow"), false);
    }

    void startPortal(const QString& sourceTypes, const QStringList& extra = {}) {
        ASSERT_TRUE(rig->startPortal(sourceTypes, extra));
    }

    std::unique_ptr<test::ChosenWindowRig> rig;
    test::ScreenCastPortalBus* portal = nullptr;
};

TEST_F(CaptureWindowDialogTest, TheWindowChosenInTheDialogIsWritten) {
    startPortal("3");
    const test::Result r = lumbex({"capture", "--window", "--interactive", "-o", "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, folder.path("out.png") + u'\n');
    const QImage written = ImageFiles::image(test::fileBytes(folder.path("out.png")));
    ASSERT_EQ(written.size(), rig->picture().size());
    for (const QPoint at : {QPoint(5, 5), QPoint(60, 5), QPoint(5, 40), QPoint(60, 40)})
        EXPECT_EQ(QColor(written.pixel(at)), QColor(rig->picture().pixel(at)))
            << at.x() << "," << at.y();
    EXPECT_EQ(portal->waitForCalls("SelectSources", 1),
              QStringList{"SelectSources types=2 multiple=false cursor_mode=1 persist_mode=- "
                          "restore_token=-"});
}

TEST_F(CaptureWindowDialogTest, RefusalsAndCancellationsWriteNothing) {
    struct Row {
        QString sourceTypes;
        QStringList portalOptions;
        QStringList args;
        int exitCode;
        QString message;
    } rows[] = {
        {"3",
         {"--start-response", "1"},
         {"--window", "--interactive"},
         1,
         "The window capture was cancelled. Nothing was captured."},
        {"3", {}, {"--window", "62914565"}, 1, windowCaptureNeedsX11() + hint},
        {"3", {}, {"--window", "--interactive", "--cursor"}, 0, {}},
        {"3", {}, {"--window"}, 1, windowCaptureNeedsX11() + hint},
        {"3", {}, {"--window", "62914565", "--interactive"}, 1, windowCaptureNeedsX11() + hint},
        {"1", {}, {"--window", "--interactive"}, 1, windowCaptureNeedsX11()},
        {"1", {}, {"--window", "62914565"}, 1, windowCaptureNeedsX11()},
        {"3", {}, {"--window", "--interactive", "--area", "0,0,10,10"}, 2, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE((row.sourceTypes + u' ' + row.args.join(u' ')).toStdString());
        startPortal(row.sourceTypes, row.portalOptions);
        QFile::remove(folder.path("out.png"));
        const test::Result r =
            lumbex(QStringList{"capture"} + row.args + QStringList{"-o", "out.png"});
        EXPECT_EQ(r.exitCode, row.exitCode) << r.err.toStdString();
        if (row.exitCode == 1) {
            EXPECT_EQ(r.err, row.message + u'\n');
            EXPECT_FALSE(QFile::exists(folder.path("out.png")));
        }
    }
}

// `lumbex record --window --interactive`: the portal's dialog chooses the window (its grant kept
// for the segments after a pause), whose pictures make the recording at the window's size.
TEST_F(CaptureWindowDialogTest, AWindowChosenInTheDialogIsRecorded) {
    startPortal("3", {"--window-size", "64x48", "--screenshot", folder.path("screen.png")});
    const test::Result r = lumbex(
        {"record", "--window", "--interactive", "--seconds", "1", "--folder", folder.path("take")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, folder.path("take") + u'\n');
    const RecordingJournal journal =
        RecordingJournal::decode(test::fileBytes(folder.path("take/recording.json")));
    ASSERT_EQ(journal.recording.segments.size(), 1u);
    EXPECT_EQ(QSize(journal.recording.segments[0].width, journal.recording.segments[0].height),
              QSize(64, 48));
    EXPECT_GT(journal.recording.segments[0].duration, 0);
    EXPECT_EQ(portal->waitForCalls("SelectSources", 1),
              QStringList{"SelectSources types=2 multiple=false cursor_mode=2 persist_mode=2 "
                          "restore_token=-"});
    const QSettings stored(folder.path(QStringLiteral("config/Lumbex/Lumbex.ini")),
                           QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("screenCastWindowRestoreToken")).toString(),
              "fresh-token");
}

TEST_F(CaptureWindowDialogTest, RecordingAWindowWithoutThePointerAsksThePortalSo) {
    startPortal("3", {"--window-size", "64x48", "--screenshot", folder.path("screen.png")});
    const test::Result r = lumbex({"record", "--window", "--interactive", "--no-cursor",
                                   "--seconds", "0.5", "--folder", folder.path("take")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList selected = portal->waitForCalls("SelectSources", 1);
    ASSERT_EQ(selected.size(), 1);
    EXPECT_TRUE(selected.front().contains(u"types=2 multiple=false cursor_mode=1"))
        << selected.front().toStdString();
}

TEST_F(CaptureWindowDialogTest, RecordingAWindowWithoutTheDialogSaysWindowsNeedX11) {
    startPortal("1");
    const test::Result r =
        lumbex({"record", "--window", "--interactive", "--folder", folder.path("take")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, windowCaptureNeedsX11() + u'\n');
}

} // namespace
} // namespace lumbex
