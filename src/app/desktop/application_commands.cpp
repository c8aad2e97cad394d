#include "app/desktop/application_commands.h"

#include "app/desktop/shell_dialogs.h"
#include "app/scroll_ui/scroll_capture_ui.h"
#include "capture/capture_controller.h"
#include "core/error.h"
#include "platform/autostart_entry.h"
#include "platform/screen_grabber.h"
#include "recording/recording_controller.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace lumbex {
namespace {

// "Open…": note packages chosen in the library folder; none on Cancel.
QStringList chooseNotes(const QString& libraryFolder) {
    QFileDialog dialog(nullptr, QStringLiteral("Open"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setNameFilter(QStringLiteral("Capture notes (*.capturenote)"));
    dialog.setDirectory(libraryFolder);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Open"));
    return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
}

// "Open at Login": starts this very binary at login, its check mark read back from the entry.
Command openAtLoginCommand() {
    const auto entry = [] { return AutostartEntry(QCoreApplication::applicationFilePath()); };
    return {"app.openAtLogin",
            "Open at Login",
            {},
            {},
            [entry] {
                try {
                    entry().setEnabled(!entry().isEnabled());
                } catch (const LumbexError& e) {
                    QMessageBox box(QMessageBox::Warning, e.message(), e.message());
                    box.exec();
                }
            },
            {},
            [entry] { return entry().isEnabled(); }};
}

} // namespace

WindowCaptureItem windowCaptureItem(ScreenCapabilities can) {
    const bool windowsArePrivate =
        can.testFlag(ScreenCapability::ReadScreen) && !can.testFlag(ScreenCapability::ReadWindows);
    if (windowsArePrivate && !can.testFlag(ScreenCapability::ChooseWindow))
        return {QStringLiteral("Capture Window (needs an X11 session)"), false};
    return {QStringLiteral("Capture Window…"), true};
}

std::vector<Command> applicationCommands(const ApplicationServices& services) {
    using Mode = CaptureController::Mode;
    const auto s = std::make_shared<const ApplicationServices>(services);
    const auto idle = [s] {
        return !s->captures.isCapturing() && !s->scrolling.isBusy() && !s->recording.isBusy();
    };
    const auto repeatable = [s, idle] { return idle() && s->captures.canRepeat(); };
    const auto capture = [s](Mode mode, bool explain) {
        return [s, mode, explain] { s->captures.capture(mode, explain, nullptr, 0); };
    };
    return {
        {"capture.quick", "Quick Capture…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), idle,
         capture(Mode::Area, false)},
        {"capture.explain", "Capture and Explain…", QKeySequence(Qt::CTRL | Qt::Key_N), idle,
         capture(Mode::Area, true)},
        // Wayland keeps other applications' windows private: the desktop's own dialog chooses
        // one where the portal offers it; elsewhere the item stays, saying why it is off.
        {"capture.window",
         "Capture Window…",
         {},
         [s, idle] { return idle() && windowCaptureItem(s->screen.capabilities()).enabled; },
         capture(Mode::Window, true),
         [s] { return windowCaptureItem(s->screen.capabilities()).label; }},
        {"capture.display", "Capture Main Display", {}, idle, capture(Mode::Display, true)},
        {"capture.lastArea", "Capture Last Area", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R),
         repeatable, capture(Mode::LastArea, true)},
        {"capture.quickLastArea", "Quick Capture Last Area",
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_R), repeatable,
         capture(Mode::LastArea, false)},
        {"capture.afterDelay",
         "Capture After Delay…",
         {},
         idle,
         [s] {
             if (const auto choice = askTimedCapture(nullptr, s->captures.canRepeat()))
                 s->captures.capture(choice->mode, choice->explain, nullptr, choice->delay);
         }},
        {"capture.scrolling", "Scrolling Capture…", {}, idle, [s] { s->scrolling.start(); }},
        {"capture.stitchImages",
         "Stitch Scroll Images…",
         {},
         idle,
         [s] { s->scrolling.stitchImages(); }},
        {"capture.cancel",
         "Cancel Capture",
         {},
         [idle] { return !idle(); },
         [s] {
             s->captures.cancel(true);
             if (s->scrolling.isBusy())
                 s->scrolling.session().cancel();
         }},
        {"recording.record", "Record Screen…", {}, idle, s->record},
        {"recording.pauseResume",
         "Pause or Resume Recording",
         {},
         [s] { return s->recording.panelState().pauseEnabled && s->recording.hasRecorder(); },
         [s] { s->recording.togglePause(); }},
        {"recording.stop",
         "Stop Recording",
         {},
         [s] { return s->recording.isBusy(); },
         [s] { s->recording.stopRecording(); }},
        {"recording.recover", "Recover Recording…", {}, idle, s->recover},
        {"file.open",
         "Open…",
         QKeySequence(Qt::CTRL | Qt::Key_O),
         {},
         [s] { s->open(chooseNotes(s->libraryFolder)); }},
        {"file.newFromClipboard",
         "New from Clipboard",
         QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N),
         {},
         s->newFromClipboard},
        {"library.show", "Show Saved Notes", {}, {}, s->showLibrary},
        {"deleted.show",
         "Recently Deleted…",
         {},
         [s] { return bool(s->showDeletedNotes); },
         [s] {
             if (s->showDeletedNotes)
                 s->showDeletedNotes();
         }},
        {"shortcuts.capture",
         "Capture Shortcuts…",
         {},
         [s] { return bool(s->editCaptureShortcuts); },
         [s] {
             if (s->editCaptureShortcuts)
                 s->editCaptureShortcuts();
         }},
        {"capture.options",
         "Capture Options…",
         {},
         idle,
         [s] {
             editCaptureOptions(nullptr, s->captureSettings,
                                s->screen.capabilities().testFlag(ScreenCapability::ReadScreen));
         }},
        {"shortcuts.voice",
         "Set Voice Shortcut…",
         {},
         [s] { return bool(s->editVoiceShortcut); },
         [s] {
             if (s->editVoiceShortcut)
                 s->editVoiceShortcut();
         }},
        openAtLoginCommand(),
        {"help.gettingStarted", "Getting Started", {}, {}, s->presentOnboarding},
        {"help.trySample", "Try a Sample", {}, {}, [s] { s->open({QStringLiteral("--fixture")}); }},
        {"help.privacy", "Privacy", {}, {}, [] { showPrivacy(nullptr); }},
        {"app.about", "About Lumbex", {}, {}, [] { showAbout(nullptr); }},
        {"app.quit", "Quit Lumbex", QKeySequence(Qt::CTRL | Qt::Key_Q), {}, s->quit},
    };
}

} // namespace lumbex
