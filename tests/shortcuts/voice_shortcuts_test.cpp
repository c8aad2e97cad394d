#include "core/error.h"
#include "shortcuts/shortcut_settings.h"
#include "shortcuts/voice_shortcuts.h"
#include "support/temporary_folder.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class VoiceShortcutsTest : public testing::Test {
protected:
    QString messageOf(const std::optional<CaptureShortcut>& shortcut) {
        try {
            voice.apply(shortcut, CaptureShortcutPair::defaults(), menuKeys);
        } catch (const LumbexError& error) {
            return error.message();
        }
        return {};
    }

    test::TemporaryFolder folder;
    QSettings store{folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
    VoiceShortcuts voice{settings};
    int changes = 0;
    // Key equivalents like the application's menus: Ctrl+N, Ctrl+Shift+N, Ctrl+Alt+R,
    // Ctrl+Alt+Shift+R and one written in lower case.
    std::vector<QKeySequence> menuKeys{
        QKeySequence(),
        QKeySequence(Qt::CTRL | Qt::Key_N),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R),
        QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_R),
        QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key(u'd'))),
    };
};

struct VoiceRow {
    const char* what;
    std::optional<CaptureShortcut> shortcut;
    const char* message;
};

TEST_F(VoiceShortcutsTest, EveryRefusalHasItsMessageAndStoresNothing) {
    voice.setChangedHandler([this] { ++changes; });
    const char* invalid =
        "Use Command with Option or Control and a letter, number, or function key.";
    const char* capture =
        "That combination is a capture shortcut. Choose a different voice shortcut.";
    const char* menu =
        "That combination is already used in Lumbex’s menus. Choose another voice shortcut.";
    const VoiceRow rows[] = {
        {"command and shift", CaptureShortcut{2, 0x0300}, invalid},
        {"Space", CaptureShortcut{49, 0x0900}, invalid},
        {"explain", CaptureShortcut{3, 0x1900}, capture},
        {"quick", CaptureShortcut{12, 0x1900}, capture},
        {"Capture Last Area", CaptureShortcut{15, 0x0900}, menu},
        {"Quick Capture Last Area", CaptureShortcut{15, 0x0B00}, menu},
        {"lower-case menu key", CaptureShortcut{2, 0x0900}, menu},
        {"same key, other modifiers", CaptureShortcut{15, 0x1900}, ""},
        {"Ctrl+Alt+N is free", CaptureShortcut{45, 0x0900}, ""},
    };
    for (const VoiceRow& row : rows) {
        store.remove(QStringLiteral("voiceShortcut"));
        EXPECT_EQ(messageOf(row.shortcut), QString::fromUtf8(row.message)) << row.what;
        EXPECT_EQ(store.contains(QStringLiteral("voiceShortcut")), !*row.message) << row.what;
    }
    EXPECT_EQ(changes, 2);
}

TEST_F(VoiceShortcutsTest, AppliedShortcutIsStoredAndNoneRemovesIt) {
    voice.setChangedHandler([this] { ++changes; });
    const CaptureShortcut hold{2, 0x1100};
    EXPECT_EQ(messageOf(hold), QString());
    EXPECT_EQ(voice.shortcut(), hold);
    EXPECT_EQ(VoiceShortcuts(settings).shortcut(), hold);
    EXPECT_EQ(messageOf(std::nullopt), QString());
    EXPECT_FALSE(voice.shortcut());
    EXPECT_FALSE(store.contains(QStringLiteral("voiceShortcut")));
    EXPECT_EQ(changes, 2);
}

TEST_F(VoiceShortcutsTest, AStoredInvalidShortcutLoadsAsNone) {
    settings.setVoiceShortcut(CaptureShortcut{2, 0x0300});
    EXPECT_FALSE(VoiceShortcuts(settings).shortcut());
}

TEST(MenuKeyConflicts, ComparesKeyAndExactModifiers) {
    const CaptureShortcut ctrlAltR{15, 0x0900};
    EXPECT_TRUE(menuKeyConflicts(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), ctrlAltR));
    EXPECT_FALSE(menuKeyConflicts(QKeySequence(Qt::CTRL | Qt::Key_R), ctrlAltR));
    EXPECT_FALSE(
        menuKeyConflicts(QKeySequence(Qt::CTRL | Qt::ALT | Qt::META | Qt::Key_R), ctrlAltR));
    EXPECT_FALSE(menuKeyConflicts(QKeySequence(), ctrlAltR));
    EXPECT_TRUE(menuKeyConflicts(QKeySequence(Qt::CTRL | Qt::META | Qt::Key_F5),
                                 CaptureShortcut{96, 0x1100}));
}

} // namespace
} // namespace lumbex
