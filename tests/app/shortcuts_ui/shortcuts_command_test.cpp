// `lumbex shortcuts` against the real application on a private X server with a window manager:
// the statuses only the running application knows, changes it registers at once, and a
// combination another X client holds, refused by name while the previous pair stays in force.
#include "support/temporary_folder.h"
#include "support/virtual_display.h"
#include "support/window_manager.h"

#include <QProcess>
#include <QSettings>
#include <QThread>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

const QString kDefaultsJson =
    R"({"enabled":true,"explain":{"keyCode":3,"keys":"Ctrl+Alt+Super+F","modifiers":6400,)"
    R"("status":%1},"quick":{"keyCode":12,"keys":"Ctrl+Alt+Super+Q","modifiers":6400,)"
    R"("status":%2},"running":%3,"voice":null})"
    "\n";

class ShortcutsCommand : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        ASSERT_TRUE(manager.ready()) << "openbox did not start";
        environment = display.environment();
        environment.insert("HOME", folder.path("home"));
        environment.insert("XDG_CONFIG_HOME", folder.path("config"));
        environment.insert("XDG_DATA_HOME", folder.path("data"));
        QSettings settings(folder.path("config/Lumbex/Lumbex.ini"), QSettings::IniFormat);
        settings.setValue("hasSeenGettingStarted", true);
        settings.sync();
    }

    void TearDown() override { stopApp(); }

    void startApp() {
        app.setProcessEnvironment(environment);
        app.start(LUMBEX_BINARY, {});
        ASSERT_TRUE(client("xdotool", {"search", "--sync", "--name", "^Lumbex$"}));
    }
    void stopApp() {
        if (app.state() == QProcess::NotRunning)
            return;
        app.terminate();
        if (!app.waitForFinished(5000))
            app.kill();
        app.waitForFinished(3000);
    }

    Outcome lumbex(const QStringList& args) const {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(LUMBEX_BINARY, args);
        process.waitForFinished(30000);
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    std::optional<QString> client(const QString& program, const QStringList& args) const {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, args);
        if (!process.waitForFinished(15000) || process.exitCode() != 0)
            return std::nullopt;
        return QString::fromUtf8(process.readAllStandardOutput());
    }
    bool pickerShown() const {
        return client("xdotool", {"search", "--onlyvisible", "--name", "Choose Capture Area"})
            .has_value();
    }
    bool waitForPicker(bool shown) const {
        for (int i = 0; i < 50; ++i) {
            if (pickerShown() == shown)
                return true;
            QThread::msleep(200);
        }
        return false;
    }
    // Whether the keys open the picker (closed again with Escape).
    bool opensPicker(const QString& keys) const {
        client("xdotool", {"key", keys});
        if (!waitForPicker(true))
            return false;
        QThread::msleep(300);
        client("xdotool", {"key", "Escape"});
        return waitForPicker(false);
    }

    test::VirtualDisplay display{QSize(1280, 800)};
    test::WindowManager manager{display};
    test::TemporaryFolder folder;
    QProcessEnvironment environment;
    QProcess app;
};

TEST_F(ShortcutsCommand, WithoutARunningLumbexTheStoredChoiceIsShownAndNothingChanges) {
    const Outcome text = lumbex({"shortcuts"});
    EXPECT_EQ(text.exitCode, 0) << text.err.toStdString();
    EXPECT_EQ(text.out, "Capture and Explain\tCtrl+Alt+Super+F\n"
                        "Quick Capture\tCtrl+Alt+Super+Q\n"
                        "Hold to Dictate\tnone\n"
                        "Global shortcuts\ton\n");
    EXPECT_EQ(text.err, "Lumbex is not running, so no shortcut is registered. Start Lumbex to "
                        "use its shortcuts.\n");
    const Outcome json = lumbex({"shortcuts", "--json"});
    EXPECT_EQ(json.exitCode, 0);
    EXPECT_EQ(json.out, kDefaultsJson.arg("null", "null", "false"));

    for (const QStringList& change :
         {QStringList{"shortcuts", "set", "--explain", "ctrl+alt+g", "--quick", "ctrl+alt+h"},
          QStringList{"shortcuts", "voice", "ctrl+alt+d"},
          QStringList{"shortcuts", "voice", "--remove"}}) {
        const Outcome refused = lumbex(change);
        EXPECT_EQ(refused.exitCode, 1) << change.join(' ').toStdString();
        EXPECT_EQ(refused.err, "Lumbex is not running. Start Lumbex, then change its shortcuts "
                               "again.\n");
        EXPECT_EQ(refused.out, "");
    }
    EXPECT_FALSE(QSettings(folder.path("config/Lumbex/Lumbex.ini"), QSettings::IniFormat)
                     .contains("captureShortcutPair"));
}

TEST_F(ShortcutsCommand, WordsThatAreNotKeysAreUsageErrors) {
    const std::pair<QStringList, QString> rows[] = {
        {{"shortcuts", "set", "--explain", "ctrl+alt+space", "--quick", "ctrl+alt+q"},
         "lumbex: --explain takes keys like ctrl+alt+super+f, not “ctrl+alt+space”\n"},
        {{"shortcuts", "set", "--explain", "ctrl+alt+f"}, "lumbex: --quick is required\n"},
        {{"shortcuts", "set", "--explain", "ctrl+alt+f", "--quick", "ctrl+alt+q", "--enabled",
          "yes"},
         "lumbex: --enabled takes on or off\n"},
        {{"shortcuts", "voice"}, "lumbex: give the keys or --remove\n"},
        {{"shortcuts", "voice", "ctrl+alt+d", "--remove"}, "lumbex: --remove takes no keys\n"},
        {{"shortcuts", "extra"}, "lumbex: unexpected argument “extra”\n"},
    };
    for (const auto& [args, message] : rows) {
        const Outcome run = lumbex(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(run.err.startsWith(message)) << run.err.toStdString();
    }
}

TEST_F(ShortcutsCommand, TheRunningApplicationReportsAndRegistersAChangedPairAtOnce) {
    startApp();
    const Outcome before = lumbex({"shortcuts", "--json"});
    EXPECT_EQ(before.exitCode, 0) << before.err.toStdString();
    EXPECT_EQ(before.out, kDefaultsJson.arg("\"Registered\"", "\"Registered\"", "true"));
    EXPECT_EQ(before.err, "");

    const Outcome set = lumbex(
        {"shortcuts", "set", "--explain", "ctrl+alt+super+g", "--quick", "ctrl+shift+alt+h"});
    EXPECT_EQ(set.exitCode, 0) << set.err.toStdString();
    EXPECT_EQ(set.out, "Capture and Explain\tCtrl+Alt+Super+G\tRegistered\n"
                       "Quick Capture\tCtrl+Alt+Shift+H\tRegistered\n"
                       "Hold to Dictate\tnone\n"
                       "Global shortcuts\ton\n");
    EXPECT_TRUE(opensPicker("ctrl+alt+super+g")) << "the new explain shortcut does nothing";
    EXPECT_TRUE(opensPicker("ctrl+shift+alt+h")) << "the new quick shortcut does nothing";
    EXPECT_FALSE(opensPicker("ctrl+alt+super+f")) << "the old shortcut still works";

    const Outcome off = lumbex({"shortcuts", "set", "--explain", "ctrl+alt+super+g", "--quick",
                                "ctrl+shift+alt+h", "--enabled", "off"});
    EXPECT_EQ(off.exitCode, 0) << off.err.toStdString();
    EXPECT_TRUE(off.out.contains("Ctrl+Alt+Super+G\tDisabled\n")) << off.out.toStdString();
    EXPECT_TRUE(off.out.contains("Global shortcuts\toff\n"));

    // Stored: read back once the application has gone.
    stopApp();
    const Outcome stored = lumbex({"shortcuts"});
    EXPECT_EQ(stored.out, "Capture and Explain\tCtrl+Alt+Super+G\n"
                          "Quick Capture\tCtrl+Alt+Shift+H\n"
                          "Hold to Dictate\tnone\n"
                          "Global shortcuts\toff\n");
}

TEST_F(ShortcutsCommand, ACombinationAnotherClientHoldsIsRefusedByNameAndTheOldPairStays) {
    startApp();
    QProcess grabber;
    grabber.setProcessEnvironment(environment);
    grabber.start(LUMBEX_KEY_GRABBER, {"ctrl+alt+super+j"});
    ASSERT_TRUE(grabber.waitForReadyRead(10000)) << grabber.readAllStandardError().toStdString();
    ASSERT_EQ(grabber.readLine(), "grabbed\n");

    const Outcome refused = lumbex(
        {"shortcuts", "set", "--explain", "ctrl+alt+super+j", "--quick", "ctrl+alt+super+h"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "Couldn’t register Ctrl+Alt+Super+J. Choose another combination. Your "
                           "previous shortcuts have been kept.\n");
    EXPECT_EQ(refused.out, "");
    const Outcome after = lumbex({"shortcuts", "--json"});
    EXPECT_EQ(after.out, kDefaultsJson.arg("\"Registered\"", "\"Registered\"", "true"));
    EXPECT_TRUE(opensPicker("ctrl+alt+super+f")) << "the previous explain shortcut was lost";
    EXPECT_FALSE(opensPicker("ctrl+alt+super+h")) << "half of the refused pair was registered";
    grabber.kill();
    grabber.waitForFinished(3000);
}

TEST_F(ShortcutsCommand, AModalAlertLetsGoOfTheShortcutsUntilItCloses) {
    startApp();
    // A second launch hands over a file that is no image: the running application shows its
    // alert.
    const QString notAnImage = folder.write("notes.txt", "not an image");
    const Outcome handed = lumbex({notAnImage});
    ASSERT_EQ(handed.exitCode, 0) << handed.err.toStdString();
    const auto alert =
        client("xdotool", {"search", "--sync", "--onlyvisible", "--name", "readable image"});
    ASSERT_TRUE(alert) << "no alert";

    // Meanwhile the combination is free for another program.
    QProcess grabber;
    grabber.setProcessEnvironment(environment);
    grabber.start(LUMBEX_KEY_GRABBER, {"ctrl+alt+super+f"});
    // It prints once it holds the keys, or ends when another client holds them.
    grabber.waitForReadyRead(10000);
    EXPECT_EQ(grabber.readAllStandardOutput(), "grabbed\n")
        << "the shortcut stayed grabbed under the alert";
    grabber.kill();
    grabber.waitForFinished(3000);

    client("xdotool", {"windowactivate", "--sync", alert->split('\n').first(), "key", "Return"});
    bool registered = false;
    for (int i = 0; i < 50 && !registered; ++i) {
        QThread::msleep(200);
        registered = lumbex({"shortcuts", "--json"}).out ==
                     kDefaultsJson.arg("\"Registered\"", "\"Registered\"", "true");
    }
    EXPECT_TRUE(registered) << "the shortcuts were not taken again after the alert";
    EXPECT_TRUE(opensPicker("ctrl+alt+super+f"));
}

TEST_F(ShortcutsCommand, RefusalsOfTheApplicationAreItsOwnMessages) {
    startApp();
    const std::pair<QStringList, QString> rows[] = {
        {{"shortcuts", "set", "--explain", "ctrl+alt+super+f", "--quick", "ctrl+alt+super+f"},
         "Choose two different shortcuts. Use Command with Option or Control and a letter, "
         "number, or function key.\n"},
        {{"shortcuts", "set", "--explain", "shift+f", "--quick", "ctrl+alt+super+q"},
         "Choose two different shortcuts. Use Command with Option or Control and a letter, "
         "number, or function key.\n"},
        {{"shortcuts", "voice", "ctrl+shift+d"},
         "Use Command with Option or Control and a letter, number, or function key.\n"},
        {{"shortcuts", "voice", "ctrl+alt+super+q"},
         "That combination is a capture shortcut. Choose a different voice shortcut.\n"},
        // "New from Clipboard" in every File menu.
        {{"shortcuts", "voice", "ctrl+alt+n"},
         "That combination is already used in Lumbex’s menus. Choose another voice shortcut.\n"},
    };
    for (const auto& [args, message] : rows) {
        const Outcome run = lumbex(args);
        EXPECT_EQ(run.exitCode, 1) << args.join(' ').toStdString();
        EXPECT_EQ(run.err, message) << args.join(' ').toStdString();
    }

    const Outcome voice = lumbex({"shortcuts", "voice", "ctrl+alt+d"});
    EXPECT_EQ(voice.exitCode, 0) << voice.err.toStdString();
    EXPECT_TRUE(voice.out.contains("Hold to Dictate\tCtrl+Alt+D\n")) << voice.out.toStdString();
    const Outcome taken =
        lumbex({"shortcuts", "set", "--explain", "ctrl+alt+d", "--quick", "ctrl+alt+super+q"});
    EXPECT_EQ(taken.exitCode, 1);
    EXPECT_EQ(taken.err, "That combination is your Voice Shortcut. Choose a different capture "
                         "shortcut.\n");
    const Outcome removed = lumbex({"shortcuts", "voice", "--remove", "--json"});
    EXPECT_EQ(removed.exitCode, 0) << removed.err.toStdString();
    EXPECT_TRUE(removed.out.endsWith("\"voice\":null}\n")) << removed.out.toStdString();
    EXPECT_EQ(lumbex({"shortcuts", "--json"}).out,
              kDefaultsJson.arg("\"Registered\"", "\"Registered\"", "true"));
}

} // namespace
} // namespace lumbex
