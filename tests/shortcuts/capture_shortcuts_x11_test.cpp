// The capture shortcuts on a real X server: another client that grabbed a combination first makes
// registration fail with that shortcut named, while the pair registered before keeps working.
#include "core/error.h"
#include "platform/x11_hot_keys.h"
#include "shortcuts/capture_shortcuts.h"
#include "shortcuts/shortcut_settings.h"
#include "support/event_waiting.h"
#include "support/temporary_folder.h"
#include "support/virtual_display.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class CaptureShortcutsOnX11 : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        keys = connectX11HotKeys(display.name().toLocal8Bit());
        other = connectX11HotKeys(display.name().toLocal8Bit());
        shortcuts = std::make_unique<CaptureShortcuts>(
            settings, *keys, [this](bool explain) { actions.push_back(explain); });
        shortcuts->start();
    }

    std::vector<bool> press(const QString& keysText) {
        actions.clear();
        display.run(QStringLiteral("xdotool"), {QStringLiteral("key"), keysText});
        test::processEventsUntil([&] { return !actions.empty(); }, 3000);
        test::processEventsFor(100);
        return actions;
    }

    test::VirtualDisplay display;
    test::TemporaryFolder folder;
    QSettings store{folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
    std::unique_ptr<HotKeys> keys;
    std::unique_ptr<HotKeys> other;
    std::unique_ptr<CaptureShortcuts> shortcuts;
    std::vector<bool> actions;
};

TEST_F(CaptureShortcutsOnX11, TheDefaultsOpenExplainAndQuickCaptures) {
    EXPECT_EQ(shortcuts->status(0), "Registered");
    EXPECT_EQ(shortcuts->status(1), "Registered");
    EXPECT_EQ(press("ctrl+alt+super+f"), std::vector<bool>{true});
    EXPECT_EQ(press("ctrl+alt+super+q"), std::vector<bool>{false});
}

TEST_F(CaptureShortcutsOnX11, AKeyAnotherClientHoldsIsNamedAloneAndTheOldPairStays) {
    ASSERT_EQ(other->add(9, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Q)), 0);
    const CaptureShortcutPair wanted{{0, 0x0900}, {12, 0x0900}}; // Ctrl+Alt+A, Ctrl+Alt+Q
    try {
        shortcuts->apply(wanted, true);
        FAIL() << "the taken combination was accepted";
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), "Couldn’t register Ctrl+Alt+Q. Choose another combination. Your "
                                   "previous shortcuts have been kept.");
    }
    EXPECT_EQ(shortcuts->configuration(), CaptureShortcutPair::defaults());
    EXPECT_EQ(shortcuts->status(0), "Registered");
    EXPECT_EQ(shortcuts->status(1), "Registered");
    EXPECT_EQ(press("ctrl+alt+super+f"), std::vector<bool>{true});
    EXPECT_EQ(press("ctrl+alt+super+q"), std::vector<bool>{false});
    EXPECT_TRUE(press("ctrl+alt+a").empty());
    EXPECT_FALSE(store.contains(QStringLiteral("captureShortcutPair")));
}

TEST_F(CaptureShortcutsOnX11, AnAppliedPairTakesEffectAtOnce) {
    shortcuts->apply({{0, 0x0900}, {111, 0x1100}}, true); // Ctrl+Alt+A, Ctrl+Super+F12
    EXPECT_EQ(press("ctrl+alt+a"), std::vector<bool>{true});
    EXPECT_EQ(press("ctrl+super+F12"), std::vector<bool>{false});
    EXPECT_TRUE(press("ctrl+alt+super+f").empty());
    // The old keys are free for other programs again.
    EXPECT_EQ(
        other->add(9, QKeyCombination(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                      Qt::Key_F)),
        0);
}

} // namespace
} // namespace lumbex
