// The global capture shortcuts of the real application on a private X server with a window
// manager, pressed by another client (xdotool) as a person's keyboard would.
#include "support/event_waiting.h"
#include "support/temporary_folder.h"
#include "support/virtual_display.h"
#include "support/window_manager.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <gtest/gtest.h>
#include <optional>

namespace lumbex {
namespace {

using test::processEventsFor;
using test::processEventsUntil;

class GlobalShortcutsSession : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(manager.ready()) << "openbox did not start";
        environment = display.environment();
        environment.insert("HOME", folder.path("home"));
        environment.insert("XDG_CONFIG_HOME", folder.path("config"));
        environment.insert("XDG_DATA_HOME", folder.path("data"));
        // No welcome tour in front of the picker.
        QSettings settings(folder.path("config/Lumbex/Lumbex.ini"), QSettings::IniFormat);
        settings.setValue("hasSeenGettingStarted", true);
        settings.sync();
        app.setProcessEnvironment(environment);
        app.start(LUMBEX_BINARY, {});
        ASSERT_TRUE(run("xdotool", {"search", "--sync", "--name", "^Lumbex$"}));
        processEventsFor(500);
    }

    void TearDown() override {
        app.terminate();
        if (!app.waitForFinished(5000))
            app.kill();
        app.waitForFinished(3000);
    }

    // Runs an X client while the event loop keeps going; its output, or nothing if it failed.
    std::optional<QString> run(const QString& program, const QStringList& args, int ms = 15000) {
        QProcess client;
        client.setProcessEnvironment(environment);
        client.start(program, args);
        processEventsUntil([&] { return client.state() == QProcess::NotRunning; }, ms);
        if (client.state() != QProcess::NotRunning || client.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(client.readAllStandardOutput());
    }
    bool pickerShown() {
        return run("xdotool", {"search", "--onlyvisible", "--name", "Choose Capture Area"}, 3000)
            .has_value();
    }
    bool waitForPicker(bool shown) {
        return processEventsUntil([&] { return pickerShown() == shown; }, 10000);
    }

    test::VirtualDisplay display{QSize(1280, 800)};
    test::WindowManager manager{display};
    test::TemporaryFolder folder;
    QProcessEnvironment environment;
    QProcess app;
};

TEST_F(GlobalShortcutsSession, TheExplainShortcutOpensThePickerAndEscapeClosesIt) {
    ASSERT_FALSE(pickerShown());
    ASSERT_TRUE(run("xdotool", {"key", "ctrl+alt+super+f"}));
    ASSERT_TRUE(waitForPicker(true)) << "ctrl+alt+super+f did not open the picker";
    processEventsFor(300);
    run("xdotool", {"key", "Escape"});
    EXPECT_TRUE(waitForPicker(false)) << "Escape left the picker open";
}

TEST_F(GlobalShortcutsSession, ASecondLaunchHandsTheCaptureOver) {
    for (const char* option : {"--capture", "--quick-capture"}) {
        QProcess second;
        second.setProcessEnvironment(environment);
        second.start(LUMBEX_BINARY, {option});
        ASSERT_TRUE(
            processEventsUntil([&] { return second.state() == QProcess::NotRunning; }, 15000))
            << option;
        EXPECT_EQ(second.exitCode(), 0) << option;
        ASSERT_TRUE(waitForPicker(true)) << option << " did not open the picker";
        processEventsFor(300);
        run("xdotool", {"key", "Escape"});
        ASSERT_TRUE(waitForPicker(false)) << option;
    }
}

TEST_F(GlobalShortcutsSession, TheQuickShortcutCopiesADraggedArea) {
    ASSERT_TRUE(run("xdotool", {"key", "ctrl+alt+super+q"}));
    ASSERT_TRUE(waitForPicker(true)) << "ctrl+alt+super+q did not open the picker";
    processEventsFor(300);
    run("xdotool", {"mousemove", "200", "200", "mousedown", "1"});
    for (int step = 1; step <= 4; ++step) {
        processEventsFor(40);
        run("xdotool",
            {"mousemove", QString::number(200 + step * 80), QString::number(200 + step * 50)});
    }
    processEventsFor(40);
    run("xdotool", {"mouseup", "1"});
    EXPECT_TRUE(processEventsUntil(
        [&] {
            return run("xclip", {"-o", "-selection", "clipboard", "-t", "TARGETS"}, 3000)
                .value_or(QString())
                .contains("image/png");
        },
        15000))
        << "the quick capture put no image on the clipboard";
    EXPECT_TRUE(run("xdotool", {"search", "--onlyvisible", "--name", "^Capture "}, 5000))
        << "no quick capture panel";
}

} // namespace
} // namespace lumbex
