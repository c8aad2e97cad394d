#include "shortcuts/shortcut_settings.h"
#include "support/temporary_folder.h"

#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class ShortcutSettingsTest : public testing::Test {
protected:
    test::TemporaryFolder folder;
    QSettings store{folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
};

TEST_F(ShortcutSettingsTest, NothingStoredMeansTheDefaultsEnabledAndNoVoiceShortcut) {
    EXPECT_EQ(settings.capturePair(), CaptureShortcutPair::defaults());
    EXPECT_TRUE(settings.globalShortcutsEnabled());
    EXPECT_FALSE(settings.voiceShortcut());
}

TEST_F(ShortcutSettingsTest, StoredPairAndFlagReadBack) {
    const CaptureShortcutPair pair{{0, 0x0900}, {111, 0x1100}};
    settings.setCaptureShortcuts(pair, false);
    QSettings reopened(store.fileName(), QSettings::IniFormat);
    EXPECT_EQ(ShortcutSettings(reopened).capturePair(), pair);
    EXPECT_FALSE(ShortcutSettings(reopened).globalShortcutsEnabled());
}

TEST_F(ShortcutSettingsTest, UnusableStoredPairsLoadAsTheDefaults) {
    const char* stored[] = {
        "garbage",
        R"({"explain": {"keyCode": 3, "modifiers": 6400}})",
        // equal shortcuts
        R"({"explain": {"keyCode": 0, "modifiers": 2304}, "quick": {"keyCode": 0, "modifiers": 2304}})",
        // command and shift only
        R"({"explain": {"keyCode": 0, "modifiers": 768}, "quick": {"keyCode": 1, "modifiers": 2304}})",
        // Space
        R"({"explain": {"keyCode": 49, "modifiers": 2304}, "quick": {"keyCode": 1, "modifiers": 2304}})",
    };
    for (const char* json : stored) {
        store.setValue(QStringLiteral("captureShortcutPair"), QByteArray(json));
        EXPECT_EQ(settings.capturePair(), CaptureShortcutPair::defaults()) << json;
    }
}

TEST_F(ShortcutSettingsTest, VoiceShortcutIsKeptOnlyWhenItDecodesAndIsValid) {
    const CaptureShortcut voice{2, 0x0900};
    settings.setVoiceShortcut(voice);
    EXPECT_EQ(settings.voiceShortcut(), voice);
    settings.setVoiceShortcut(CaptureShortcut{2, 0x0300});
    EXPECT_FALSE(settings.voiceShortcut());
    EXPECT_EQ(settings.storedVoiceShortcut(), (CaptureShortcut{2, 0x0300}));
    store.setValue(QStringLiteral("voiceShortcut"), QByteArray("{"));
    EXPECT_FALSE(settings.storedVoiceShortcut());
    settings.setVoiceShortcut(std::nullopt);
    EXPECT_FALSE(store.contains(QStringLiteral("voiceShortcut")));
}

} // namespace
} // namespace lumbex
