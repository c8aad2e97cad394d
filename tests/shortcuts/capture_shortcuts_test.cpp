#include "core/error.h"
#include "shortcuts/capture_shortcuts.h"
#include "shortcuts/shortcut_settings.h"
#include "support/fake_hot_keys.h"
#include "support/temporary_folder.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const QKeyCombination kExplainKeys(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                   Qt::Key_F);
const QKeyCombination kQuickKeys(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                 Qt::Key_Q);

class CaptureShortcutsTest : public testing::Test {
protected:
    QString messageOf(const CaptureShortcutPair& pair, bool enabled) {
        try {
            shortcuts.apply(pair, enabled);
        } catch (const LumbexError& error) {
            return error.message();
        }
        return {};
    }

    test::TemporaryFolder folder;
    QSettings store{folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
    test::FakeHotKeys hotKeys;
    std::vector<bool> actions;
    CaptureShortcuts shortcuts{settings, hotKeys,
                               [this](bool explain) { actions.push_back(explain); }};
};

TEST_F(CaptureShortcutsTest, StartRegistersBothDefaultKeysAndPressesRunTheAction) {
    shortcuts.start();
    EXPECT_EQ(shortcuts.registration(), (std::vector<int>{0, 0}));
    EXPECT_EQ(shortcuts.status(0), "Registered");
    EXPECT_EQ(shortcuts.status(1), "Registered");
    EXPECT_EQ(shortcuts.status(2), "Unavailable");
    ASSERT_TRUE(hotKeys.press(kExplainKeys));
    ASSERT_TRUE(hotKeys.press(kQuickKeys));
    EXPECT_EQ(actions, (std::vector<bool>{true, false}));
}

TEST_F(CaptureShortcutsTest, StopReleasesBothKeysAndStartRegistersThemAgain) {
    shortcuts.start();
    shortcuts.stop();
    EXPECT_TRUE(hotKeys.registered.empty());
    EXPECT_TRUE(shortcuts.registration().empty());
    EXPECT_FALSE(hotKeys.press(kExplainKeys));
    shortcuts.start();
    EXPECT_TRUE(hotKeys.press(kExplainKeys));
}

TEST_F(CaptureShortcutsTest, AKeyTakenAtStartReadsUnavailable) {
    hotKeys.taken.insert(kQuickKeys.toCombined());
    shortcuts.start();
    EXPECT_EQ(shortcuts.status(0), "Registered");
    EXPECT_EQ(shortcuts.status(1), "Unavailable");
}

struct RefusalRow {
    const char* what;
    CaptureShortcutPair pair;
    const char* message;
};

TEST_F(CaptureShortcutsTest, RefusedPairsChangeNothing) {
    settings.setVoiceShortcut(CaptureShortcut{2, 0x0900});
    shortcuts.start();
    const char* invalid = "Choose two different shortcuts. Use Command with Option or Control and "
                          "a letter, number, or function key.";
    const char* voice =
        "That combination is your Voice Shortcut. Choose a different capture shortcut.";
    const RefusalRow rows[] = {
        {"equal", {{3, 0x0900}, {3, 0x0900}}, invalid},
        {"command and shift only", {{3, 0x0300}, {12, 0x0900}}, invalid},
        {"outside the table", {{49, 0x0900}, {12, 0x0900}}, invalid},
        {"voice as explain", {{2, 0x0900}, {12, 0x0900}}, voice},
        {"voice as quick", {{3, 0x0900}, {2, 0x0900}}, voice},
    };
    for (const RefusalRow& row : rows) {
        EXPECT_EQ(messageOf(row.pair, true), QString::fromUtf8(row.message)) << row.what;
        EXPECT_EQ(shortcuts.configuration(), CaptureShortcutPair::defaults()) << row.what;
        EXPECT_FALSE(store.contains(QStringLiteral("captureShortcutPair"))) << row.what;
        EXPECT_TRUE(hotKeys.press(kExplainKeys)) << row.what;
    }
}

TEST_F(CaptureShortcutsTest, AppliedPairIsRegisteredAndStored) {
    shortcuts.start();
    const CaptureShortcutPair pair{{0, 0x0900}, {1, 0x1100}};
    EXPECT_EQ(messageOf(pair, true), QString());
    EXPECT_EQ(settings.capturePair(), pair);
    EXPECT_TRUE(settings.globalShortcutsEnabled());
    EXPECT_FALSE(hotKeys.press(kExplainKeys));
    EXPECT_TRUE(hotKeys.press(*pair.explain.qtKey()));
    EXPECT_TRUE(hotKeys.press(*pair.quick.qtKey()));
    EXPECT_EQ(actions, (std::vector<bool>{true, false}));
}

struct TakenRow {
    const char* what;
    std::vector<int> taken;
    const char* message;
};

TEST_F(CaptureShortcutsTest, ATakenKeyIsNamedAndThePreviousPairStaysRegistered) {
    const CaptureShortcutPair pair{{0, 0x0900}, {1, 0x1100}};
    const TakenRow rows[] = {
        {"explain taken",
         {pair.explain.qtKey()->toCombined()},
         "Couldn’t register Ctrl+Alt+A. Choose another combination. Your previous shortcuts have "
         "been kept."},
        {"quick taken",
         {pair.quick.qtKey()->toCombined()},
         "Couldn’t register Ctrl+Super+S. Choose another combination. Your previous shortcuts "
         "have been kept."},
        {"both taken",
         {pair.explain.qtKey()->toCombined(), pair.quick.qtKey()->toCombined()},
         "Couldn’t register Ctrl+Alt+A, Ctrl+Super+S. Choose another combination. Your previous "
         "shortcuts have been kept."},
    };
    for (const TakenRow& row : rows) {
        hotKeys.taken = {row.taken.begin(), row.taken.end()};
        shortcuts.start();
        EXPECT_EQ(messageOf(pair, true), QString::fromUtf8(row.message)) << row.what;
        EXPECT_EQ(shortcuts.configuration(), CaptureShortcutPair::defaults()) << row.what;
        EXPECT_EQ(shortcuts.registration(), (std::vector<int>{0, 0})) << row.what;
        EXPECT_TRUE(hotKeys.press(kExplainKeys)) << row.what;
        EXPECT_TRUE(hotKeys.press(kQuickKeys)) << row.what;
        EXPECT_FALSE(store.contains(QStringLiteral("captureShortcutPair"))) << row.what;
    }
}

TEST_F(CaptureShortcutsTest, NoGlobalKeysOnThisDesktopIsReportedWithoutNames) {
    shortcuts.start();
    hotKeys.unavailable = true;
    EXPECT_EQ(messageOf({{0, 0x0900}, {1, 0x1100}}, true),
              "Couldn’t register Ctrl+Alt+A, Ctrl+Super+S. Choose another combination. Your "
              "previous shortcuts have been kept.");
    EXPECT_EQ(shortcuts.status(0), "Unavailable");
    EXPECT_EQ(shortcuts.unavailableReason(), "No global keys here.");
}

TEST_F(CaptureShortcutsTest, DisabledStoresWithoutRegistering) {
    shortcuts.start();
    hotKeys.taken.insert(
        QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_A).toCombined());
    const CaptureShortcutPair pair{{0, 0x0900}, {1, 0x1100}};
    EXPECT_EQ(messageOf(pair, false), QString());
    EXPECT_TRUE(hotKeys.registered.empty());
    EXPECT_EQ(shortcuts.status(0), "Disabled");
    EXPECT_EQ(shortcuts.status(1), "Disabled");
    EXPECT_EQ(settings.capturePair(), pair);
    EXPECT_FALSE(settings.globalShortcutsEnabled());
    EXPECT_FALSE(hotKeys.press(kExplainKeys));
}

TEST_F(CaptureShortcutsTest, StartsFromTheStoredChoice) {
    settings.setCaptureShortcuts({{0, 0x0900}, {1, 0x1100}}, false);
    CaptureShortcuts later(settings, hotKeys, [](bool) {});
    later.start();
    EXPECT_FALSE(later.enabled());
    EXPECT_EQ(later.status(0), "Disabled");
    EXPECT_EQ(later.configuration().explain, (CaptureShortcut{0, 0x0900}));
}

} // namespace
} // namespace lumbex
