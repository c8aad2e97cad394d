// The global capture shortcuts of the real application on a private X server with a window
// manager, pressed by another client (xdotool) as a person's keyboard would.
#include "support/desktop_session.h"

#include <QProcess>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::processEventsFor;
using test::processEventsUntil;

class GlobalShortcutsSession : public testing::Test {
protected:
    void SetUp() override {
        if (const std::optional<QString> missing = session.missing())
            FAIL() << missing->toStdString();
        ASSERT_TRUE(session.startApp(LUMBEX_BINARY));
    }

    std::optional<QString> run(const QString& program, const QStringList& args, int ms = 15000) {
        return session.run(program, args, ms);
    }
    bool pickerShown() { return session.visibleWindow("Choose Capture Area").has_value(); }
    bool waitForPicker(bool shown) {
        return session.waitForWindow("Choose Capture Area", shown, 10000);
    }

    test::DesktopSession session;
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
        second.setProcessEnvironment(session.environment());
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
