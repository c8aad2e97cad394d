#include "app/shortcuts_ui/capture_shortcuts_dialog.h"
#include "app/shortcuts_ui/shortcut_recorder.h"
#include "shortcuts/capture_shortcuts.h"
#include "shortcuts/shortcut_settings.h"
#include "support/fake_hot_keys.h"
#include "support/temporary_folder.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class CaptureShortcutsDialogTest : public testing::Test {
protected:
    void SetUp() override { shortcuts.start(); }

    std::unique_ptr<CaptureShortcutsDialog> open() {
        auto dialog = std::make_unique<CaptureShortcutsDialog>(shortcuts);
        dialog->setAlert([this](const QString& message) { alerts << message; });
        return dialog;
    }
    static QStringList labels(const QDialog& dialog) {
        QStringList texts;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            texts << label->text();
        return texts;
    }

    test::TemporaryFolder folder;
    QSettings store{folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
    test::FakeHotKeys hotKeys;
    CaptureShortcuts shortcuts{settings, hotKeys, [](bool) {}};
    QStringList alerts;
};

TEST_F(CaptureShortcutsDialogTest, ShowsTheCurrentPairStatusesAndTexts) {
    hotKeys.taken.insert(CaptureShortcutPair::defaults().quick.qtKey()->toCombined());
    shortcuts.start();
    const auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), "Capture Shortcuts");
    EXPECT_EQ(dialog->explainRecorder().text(), "Ctrl+Alt+Super+F");
    EXPECT_EQ(dialog->quickRecorder().text(), "Ctrl+Alt+Super+Q");
    EXPECT_EQ(dialog->explainRecorder().accessibleName(), "Capture and Explain shortcut");
    EXPECT_EQ(dialog->quickRecorder().accessibleName(), "Quick Capture shortcut");
    EXPECT_TRUE(dialog->enabledBox().isChecked());
    EXPECT_EQ(dialog->enabledBox().text(), "Enable global shortcuts");
    const QStringList texts = labels(*dialog);
    EXPECT_TRUE(texts.contains("Registered"));
    EXPECT_TRUE(texts.contains("Unavailable"));
    EXPECT_TRUE(texts.contains(
        "Click a shortcut, then press a new combination. Use Command with Option or Control. "
        "Escape cancels recording. Changes take effect when you save.\n\nReturn inserts a new "
        "line in notes; Command-Return copies for your agent. Canvas tool keys only apply when "
        "the canvas has focus."));
    QStringList buttons;
    for (const QPushButton* button : dialog->findChildren<QPushButton*>())
        if (!qobject_cast<const ShortcutRecorder*>(button))
            buttons << button->text();
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Cancel", "Restore Defaults", "Save"}));
}

TEST_F(CaptureShortcutsDialogTest, UnavailableStatusesSayWhyInTheirTooltip) {
    hotKeys.unavailable = true;
    shortcuts.start();
    const auto dialog = open();
    int unavailable = 0;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        if (label->text() == "Unavailable") {
            ++unavailable;
            EXPECT_EQ(label->toolTip(), "No global keys here.");
        }
    EXPECT_EQ(unavailable, 2);
}

TEST_F(CaptureShortcutsDialogTest, SaveAppliesTheRecordedPairAndCloses) {
    const auto dialog = open();
    dialog->explainRecorder().setShortcut(CaptureShortcut{0, 0x0900});
    dialog->save();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(settings.capturePair().explain, (CaptureShortcut{0, 0x0900}));
    EXPECT_EQ(shortcuts.status(0), "Registered");
}

TEST_F(CaptureShortcutsDialogTest, ARefusalIsAlertedAndTheDialogKeepsTheChoice) {
    const auto dialog = open();
    dialog->explainRecorder().setShortcut(CaptureShortcutPair::defaults().quick);
    dialog->save();
    EXPECT_EQ(alerts, QStringList{"Choose two different shortcuts. Use Command with Option or "
                                  "Control and a letter, number, or function key."});
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->explainRecorder().shortcut(), CaptureShortcutPair::defaults().quick);
    EXPECT_FALSE(store.contains("captureShortcutPair"));
    // The keys stay free for recording while the dialog is open.
    EXPECT_TRUE(hotKeys.registered.empty());
}

TEST_F(CaptureShortcutsDialogTest, ATakenCombinationIsNamedAndTheOldPairStays) {
    const CaptureShortcut taken{0, 0x0900};
    hotKeys.taken.insert(taken.qtKey()->toCombined());
    const auto dialog = open();
    dialog->explainRecorder().setShortcut(taken);
    dialog->save();
    EXPECT_EQ(alerts, QStringList{"Couldn’t register Ctrl+Alt+A. Choose another combination. "
                                  "Your previous shortcuts have been kept."});
    EXPECT_EQ(shortcuts.configuration(), CaptureShortcutPair::defaults());
}

TEST_F(CaptureShortcutsDialogTest, RestoreDefaultsFillsTheRecordersAndDisablingStores) {
    settings.setCaptureShortcuts({{0, 0x0900}, {1, 0x0900}}, true);
    CaptureShortcuts stored(settings, hotKeys, [](bool) {});
    CaptureShortcutsDialog dialog(stored);
    dialog.restoreDefaults();
    EXPECT_EQ(dialog.explainRecorder().text(), "Ctrl+Alt+Super+F");
    EXPECT_EQ(dialog.quickRecorder().text(), "Ctrl+Alt+Super+Q");
    EXPECT_EQ(settings.capturePair().explain, (CaptureShortcut{0, 0x0900}));
    dialog.enabledBox().setChecked(false);
    dialog.save();
    EXPECT_EQ(settings.capturePair(), CaptureShortcutPair::defaults());
    EXPECT_FALSE(settings.globalShortcutsEnabled());
    EXPECT_EQ(stored.status(0), "Disabled");
}

} // namespace
} // namespace lumbex
