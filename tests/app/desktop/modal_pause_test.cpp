// The global shortcuts are let go while any modal dialog of the application runs, and taken again
// when the last one closes: the shell's own dialogs, alerts, file choosers and window-modal
// sheets, nested or not.
#include "app/desktop/modal_pause.h"
#include "app/desktop/shell_dialogs.h"
#include "capture/capture_settings.h"
#include "shortcuts/capture_shortcuts.h"
#include "shortcuts/shortcut_settings.h"
#include "support/event_waiting.h"
#include "support/fake_hot_keys.h"
#include "support/temporary_folder.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class ModalPauseTest : public testing::Test {
protected:
    void SetUp() override {
        shortcuts.start();
        ASSERT_EQ(keys.registered.size(), 2u);
    }

    // Runs `open` (which returns when its dialog has closed), noting how many keys were held
    // while the dialog was up; closes the dialog from inside its loop.
    std::size_t heldWhileOpen(const std::function<void()>& open) {
        std::size_t held = 99;
        QTimer::singleShot(100, [&] {
            held = keys.registered.size();
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->done(QDialog::Rejected);
        });
        open();
        test::processEventsFor(50);
        return held;
    }

    test::TemporaryFolder folder;
    QSettings store{folder.path("settings.ini"), QSettings::IniFormat};
    ShortcutSettings settings{store};
    test::FakeHotKeys keys;
    CaptureShortcuts shortcuts{settings, keys, [](bool) {}};
    ModalPause pause{[this] { shortcuts.stop(); }, [this] { shortcuts.start(); }};
};

TEST_F(ModalPauseTest, EveryKindOfModalDialogLetsGoOfTheKeysUntilItCloses) {
    CaptureSettings captureSettings(store);
    const std::pair<const char*, std::function<void()>> dialogs[] = {
        {"Capture After Delay", [] { askTimedCapture(nullptr, false); }},
        {"Capture Options", [&] { editCaptureOptions(nullptr, captureSettings, true); }},
        {"Privacy", [] { showPrivacy(nullptr); }},
        {"About Lumbex", [] { showAbout(nullptr); }},
        {"an alert",
         [] {
             QMessageBox box(QMessageBox::Warning, "Alert", "Alert", QMessageBox::Ok);
             box.exec();
         }},
        {"a file chooser",
         [] {
             QFileDialog dialog(nullptr, "Open");
             dialog.setOption(QFileDialog::DontUseNativeDialog);
             dialog.exec();
         }},
        {"a text question", [] { QInputDialog::getText(nullptr, "Rename Note", "Title"); }},
    };
    for (const auto& [name, open] : dialogs) {
        EXPECT_EQ(heldWhileOpen(open), 0u) << name << " left the shortcuts registered";
        EXPECT_EQ(keys.registered.size(), 2u) << name << " did not give the shortcuts back";
        EXPECT_FALSE(pause.isPaused()) << name;
    }
}

TEST_F(ModalPauseTest, AWindowModalSheetPausesTooAndNestedDialogsResumeOnlyAtTheEnd) {
    QWidget window;
    window.show();
    QDialog sheet(&window);
    sheet.setWindowModality(Qt::WindowModal);
    sheet.open();
    test::processEventsFor(50);
    EXPECT_TRUE(keys.registered.empty());

    // An alert over the sheet, closed: the sheet still runs.
    EXPECT_EQ(heldWhileOpen([&] {
                  QMessageBox box(QMessageBox::Warning, "Alert", "Alert", QMessageBox::Ok, &sheet);
                  box.exec();
              }),
              0u);
    EXPECT_TRUE(keys.registered.empty());
    EXPECT_TRUE(pause.isPaused());

    sheet.done(QDialog::Accepted);
    test::processEventsFor(50);
    EXPECT_EQ(keys.registered.size(), 2u);
    EXPECT_FALSE(pause.isPaused());
}

TEST_F(ModalPauseTest, WindowsThatBlockNothingChangeNothing) {
    QWidget window;
    window.show();
    QDialog panel; // a modeless panel, as the saved notes or recording windows are
    panel.show();
    test::processEventsFor(50);
    EXPECT_EQ(keys.registered.size(), 2u);
    EXPECT_EQ(keys.adds, 2) << "the keys were registered again for nothing";
    panel.hide();
    window.hide();
    test::processEventsFor(50);
    EXPECT_EQ(keys.adds, 2);
}

} // namespace
} // namespace lumbex
