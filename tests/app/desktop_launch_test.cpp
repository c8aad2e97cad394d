// The desktop application started where it cannot show windows: over SSH, from a service, or on a
// display that has gone. Every way in says what is wrong and what to do, and exits with 1.
#include "command_line_fixture.h"

namespace lumbex {
namespace {

const QString kNoDisplay =
    "Lumbex needs a graphical session: no X display is set (DISPLAY). Run it from your desktop, "
    "or use `lumbex --help` for the command-line tool.\n";

class DesktopLaunchTest : public test::CommandLineTest {
protected:
    test::Result launch(const QStringList& args, const QString& display,
                        const QString& wayland = {}) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (!display.isEmpty())
            env.insert(QStringLiteral("DISPLAY"), display);
        if (!wayland.isEmpty()) {
            env.insert(QStringLiteral("WAYLAND_DISPLAY"), wayland);
            env.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
        }
        env.insert(QStringLiteral("XDG_DATA_HOME"), folder.path(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMBEX_BINARY), args);
        process.waitForFinished(30000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
};

TEST_F(DesktopLaunchTest, EveryWindowEntryWithoutADisplaySaysWhatToDo) {
    const QStringList entries[] = {{},
                                   {"--fixture"},
                                   {"--capture"},
                                   {"--quick-capture"},
                                   {"--record-screen"},
                                   {image("shot.png")}};
    for (const QStringList& args : entries) {
        const test::Result result = launch(args, {});
        EXPECT_EQ(result.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_EQ(result.err, kNoDisplay) << args.join(' ').toStdString();
        EXPECT_EQ(result.out, "");
    }
    // Nothing was made on the way out.
    EXPECT_FALSE(QDir(folder.path("data")).exists());
}

TEST_F(DesktopLaunchTest, ADisplayThatDoesNotAnswerIsNamed) {
    const test::Result result = launch({}, ":9871");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Lumbex couldn’t connect to the X display “:9871”. Check that it is "
                          "running and that DISPLAY names it, then try again.\n");
}

TEST_F(DesktopLaunchTest, AWaylandSocketThatIsGoneIsNamed) {
    // Checked before Qt's Wayland plugin, which would abort; an X display beside it does not
    // matter in a Wayland session.
    for (const QString& display : {QString(), QStringLiteral(":9871")}) {
        const test::Result result = launch({}, display, QStringLiteral("wayland-9"));
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "Lumbex cannot reach the Wayland display “wayland-9”. Run it from "
                              "your desktop, or use `lumbex --help` for the command-line tool.\n");
        EXPECT_EQ(result.out, "");
    }
}

TEST_F(DesktopLaunchTest, TheCommandLineStillWorksWithoutADisplay) {
    const test::Result help = launch({"--help"}, {});
    EXPECT_EQ(help.exitCode, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.startsWith("usage:"));
    const test::Result version = launch({"--version"}, {});
    EXPECT_EQ(version.exitCode, 0) << version.err.toStdString();
    EXPECT_EQ(version.out, QStringLiteral("lumbex %1\n").arg(LUMBEX_VERSION));
    EXPECT_EQ(version.err, "");
}

} // namespace
} // namespace lumbex
