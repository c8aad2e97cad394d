#pragma once

#include "app/desktop/recording_windows.h"
#include "app/shortcuts_handover.h"
#include "capture/capture_controller.h"
#include "core/ids.h"
#include "recognition/image_recognition.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <memory>

class QSettings;
class QSystemTrayIcon;

namespace lumbex {

class CaptureCountdown;
class CloudSync;
class CaptureShortcuts;
class CapturePicker;
class CaptureSettings;
class ClipboardWatch;
class ControlWindow;
class DeletedNotesController;
class DesktopCaptureShell;
class DesktopRecording;
class EditorWindow;
class HotKeys;
class ModalPause;
class NoteDocument;
struct NotePackageContents;
class NoteLibrary;
class NotesLibraryController;
class ScrollCaptureUI;
class ScreenGrabber;
class ShellCommands;
class ShortcutSettings;
class VoiceHoldGesture;
class VoiceShortcuts;

// The desktop application: the services its windows share (settings, clipboard watch, screen,
// capture controller), the status menu in the tray (or a small control window where the desktop
// has no tray), the commands of that menu, and the opening of notes in editor windows.
class DesktopApp : public QObject {
    Q_OBJECT
public:
    DesktopApp();
    ~DesktopApp() override;

    // Launch: the status menu, then what the arguments name ("--fixture", "--capture",
    // "--quick-capture", packages, images), or
    // the welcome tour on a first launch. Returns false when nothing could be shown at all.
    void start(const QStringList& args);
    // Files and "--fixture" handed over by a later launch (or by the first one).
    void openArguments(const QStringList& args);

    // Opens a saved package. Throws LumbexError with the reading check's message.
    EditorWindow* openPackage(const QString& path);
    // A new note holding the image file, saved at once into the library.
    EditorWindow* openImage(const QString& path);
    // The sample note, saved at once, with its location note focused.
    EditorWindow* openPractice();
    void capture(CaptureController::Mode mode, bool explain, QObject* editor = nullptr,
                 int delay = 0);
    // An area capture asked for from outside the application's windows (a global shortcut,
    // "--capture" or "--quick-capture"): only a beep while a recording or scrolling capture runs.
    void captureFromOutside(bool explain);
    // Ends the application once open notes are saved.
    void quit();

    // What `lumbex shortcuts` reads and changes in this application (shortcuts_requests.cpp).
    ShortcutsHandler shortcutsHandler();

    ShellCommands& commands() { return *commands_; }
    DeletedNotesController& deletedNotes() { return *deleted_; }
    const RecognitionEngines& recognitionEngines() const { return recognition_; }

private slots:
    // logind's notice before the computer sleeps (true) or after it wakes (false).
    void prepareForSleep(bool sleeping);

private:
    void watchDisplaysAndSleep();
    EditorWindow* show(std::unique_ptr<NoteDocument> document);
    void showStatusItem();
    void newFromClipboard();
    void deliver(const CaptureDelivery& capture, QObject* editor);
    void showError(const QString& message);
    // The windows around captures and notes (desktop_windows.cpp).
    void showQuickCapture(const CaptureDelivery& capture);
    // "Sync & Mobile Review…" of an editor's note: one window per editor, raised when open.
    void showSyncSettings(EditorWindow& editor);
    void pin(EditorWindow* editor, const QByteArray& png, const Id& mediaID);
    void presentOnboarding();
    // "Set Voice Shortcut…", checked against the menus of an open editor window (or the
    // application's own menus when none is open), with the global shortcuts stopped meanwhile.
    void editVoiceShortcut();
    // The key equivalents of the menus a voice shortcut must not take, depth first: those of an
    // open editor window, or the application's own menus when none is open.
    std::vector<QKeySequence> menuKeys() const;
    // The saved notes window: one, raised when shown again.
    void showLibrary();
    void recognizeText(const QByteArray& png, std::function<void(const QString&)> report);
    // A finished scrolling capture or import becomes a library note, opened when asked.
    void saveScrollNote(const NotePackageContents& note, bool show);

    // Declared so that each member is destroyed before everything it uses.
    std::unique_ptr<QSettings> settings_;
    std::unique_ptr<ClipboardWatch> clipboard_;
    std::unique_ptr<NoteLibrary> library_;
    std::unique_ptr<DeletedNotesController> deleted_;
    std::unique_ptr<CloudSync> cloud_;
    std::unique_ptr<ScreenGrabber> screen_;
    std::unique_ptr<CaptureSettings> captureSettings_;
    // Every text reading of the application shares its warm crew.
    RecognitionEngines recognition_;
    std::unique_ptr<DesktopCaptureShell> captureShell_;
    std::unique_ptr<CapturePicker> picker_;
    std::unique_ptr<CaptureCountdown> countdown_;
    std::unique_ptr<CaptureController> controller_;
    std::unique_ptr<ScrollCaptureUI> scrolling_;
    std::unique_ptr<DesktopRecording> recording_;
    RecordingWindows recordingWindows_;
    std::unique_ptr<ShortcutSettings> shortcutSettings_;
    std::unique_ptr<HotKeys> hotKeys_;
    std::unique_ptr<CaptureShortcuts> shortcuts_;
    std::unique_ptr<VoiceShortcuts> voiceShortcuts_;
    // Lets go of the global shortcuts while a modal dialog runs.
    std::unique_ptr<ModalPause> modalPause_;
    // The voice shortcut's hold gesture; it drives the VoiceHoldTarget an editor window holds.
    std::unique_ptr<VoiceHoldGesture> voiceGesture_;
    std::unique_ptr<ShellCommands> commands_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    std::unique_ptr<ControlWindow> controlWindow_;
    QPointer<QWidget> quickCapture_;
    QPointer<QWidget> onboarding_;
    QPointer<NotesLibraryController> libraryWindow_;
};

// The editor windows open now.
QList<EditorWindow*> editorWindows();

// Hands the arguments to a running instance, or starts the application with them and runs the
// event loop. Returns the process exit code; failures to open are written to `messages`.
int runDesktop(const QStringList& args, FILE* messages);

} // namespace lumbex
