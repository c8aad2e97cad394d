#include "app/shortcuts_ui/shortcut_recorder.h"
#include "app/shortcuts_ui/voice_shortcut_dialog.h"
#include "shortcuts/shortcut_settings.h"
#include "shortcuts/voice_shortcuts.h"
#include "support/temporary_folder.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class VoiceShortcutDialogTest : public testing::Test {
protected:
    std::unique_ptr<VoiceShortcutDialog> open() {
        auto dialog = std::make_unique<VoiceShortcutDialog>(
            voice, CaptureShortcutPair::defaults(),
            std::vector<QKeySequence>{QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R)});
        dialog->setAlert([this](const QString& message) { alerts << message; });
        return dialog;
    }

    test::TemporaryFolder folder;
    QSettings store{folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
    VoiceShortcuts voice{settings};
    QStringList alerts;
};

TEST_F(VoiceShortcutDialogTest, ShowsItsTextsAndAnEmptyRecorder) {
    const auto dialog = open();
    EXPECT_EQ(dialog->windowTitle(), "Voice Shortcut");
    EXPECT_EQ(dialog->recorder().text(), "Click to Set");
    EXPECT_EQ(dialog->recorder().accessibleName(), "Hold to Dictate shortcut");
    QStringList texts;
    for (const QLabel* label : dialog->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(
        "Hold the shortcut in a note to dictate. On the canvas, hold it and click or drag a "
        "location, then speak. Release to stop.\n\nWorks only in Lumbex. Use Command with Option "
        "or Control. The microphone button always works without a shortcut."));
    QStringList buttons;
    for (const QPushButton* button : dialog->findChildren<QPushButton*>())
        if (!qobject_cast<const ShortcutRecorder*>(button))
            buttons << button->text();
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Cancel", "Remove Shortcut", "Save"}));
}

struct SaveRow {
    const char* what;
    CaptureShortcut shortcut;
    const char* alert;
};

TEST_F(VoiceShortcutDialogTest, SaveRefusesCollisionsAndStoresTheRest) {
    const SaveRow rows[] = {
        {"a capture shortcut", CaptureShortcutPair::defaults().quick,
         "That combination is a capture shortcut. Choose a different voice shortcut."},
        {"a menu key", CaptureShortcut{15, 0x0900},
         "That combination is already used in Lumbex’s menus. Choose another voice shortcut."},
        {"free", CaptureShortcut{2, 0x1100}, ""},
    };
    for (const SaveRow& row : rows) {
        alerts.clear();
        const auto dialog = open();
        dialog->recorder().setShortcut(row.shortcut);
        dialog->save();
        const bool accepted = !*row.alert;
        EXPECT_EQ(alerts, accepted ? QStringList() : QStringList{QString::fromUtf8(row.alert)})
            << row.what;
        EXPECT_EQ(dialog->result() == QDialog::Accepted, accepted) << row.what;
        EXPECT_EQ(dialog->recorder().shortcut(), row.shortcut) << row.what;
    }
    EXPECT_EQ(settings.voiceShortcut(), (CaptureShortcut{2, 0x1100}));
}

TEST_F(VoiceShortcutDialogTest, RemoveShortcutAndAnEmptySaveLeaveNone) {
    settings.setVoiceShortcut(CaptureShortcut{2, 0x1100});
    VoiceShortcuts stored(settings);
    VoiceShortcutDialog dialog(stored, CaptureShortcutPair::defaults(), {});
    EXPECT_EQ(dialog.recorder().text(), "Ctrl+Super+D");
    dialog.removeShortcut();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(store.contains("voiceShortcut"));

    settings.setVoiceShortcut(CaptureShortcut{2, 0x1100});
    VoiceShortcuts again(settings);
    VoiceShortcutDialog empty(again, CaptureShortcutPair::defaults(), {});
    empty.recorder().setShortcut(std::nullopt);
    empty.save();
    EXPECT_FALSE(again.shortcut());
    EXPECT_FALSE(store.contains("voiceShortcut"));
}

} // namespace
} // namespace lumbex
