#include "app/desktop/desktop_app.h"

#include "app/capture_ui/onboarding_steps.h"
#include "app/cli/cloud_services.h"
#include "app/deleted_ui/deleted_notes_controller.h"
#include "app/desktop/application_commands.h"
#include "app/desktop/capture_windows.h"
#include "app/desktop/closing_editors.h"
#include "app/desktop/control_window.h"
#include "app/desktop/desktop_capture_shell.h"
#include "app/desktop/desktop_recording.h"
#include "app/desktop/hot_key_services.h"
#include "app/desktop/modal_pause.h"
#include "app/desktop/practice_note.h"
#include "app/desktop/shell_commands.h"
#include "app/desktop/shell_dialogs.h"
#include "app/desktop/single_instance.h"
#include "app/editor/clipboard_toast.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/editor/note_row.h"
#include "app/library_ui/notes_library_controller.h"
#include "app/recognition_engines.h"
#include "app/screen_services.h"
#include "app/scroll_ui/scroll_capture_ui.h"
#include "app/shortcuts_ui/capture_shortcuts_dialog.h"
#include "app/shortcuts_ui/voice_hold_gesture.h"
#include "app/voice_note_services.h"
#include "capture/capture_settings.h"
#include "cloud/cloud_deletion.h"
#include "cloud/cloud_sync.h"
#include "core/error.h"
#include "core/files.h"
#include "library/trash.h"
#include "model/app_folders.h"
#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_document.h"
#include "model/note_library.h"
#include "model/note_package.h"
#include "platform/hot_keys.h"
#include "platform/screen_grabber.h"
#include "shortcuts/capture_shortcuts.h"
#include "shortcuts/shortcut_settings.h"
#include "shortcuts/voice_shortcuts.h"
#include "voice/voice_draft_recovery.h"
#include "voice/voice_session.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QSystemTrayIcon>
#include <QTextStream>
#include <QTimer>
#include <unistd.h>

// The icon fallbacks live in a static library: register them before the first window asks.
static void registerResources() {
    Q_INIT_RESOURCE(icons);
}

namespace lumbex {
namespace {

// Hidden windows leave the screen only once the X server has repainted what was under them.
constexpr int kHideSettleMs = 120;
// The text engines load once the first windows are up, unless a reading asks for them sooner.
constexpr int kWarmUpDelayMs = 1500;

constexpr int kRecoveryCheckDelayMs = 1000;

} // namespace

QList<EditorWindow*> editorWindows() {
    QList<EditorWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* editor = qobject_cast<EditorWindow*>(widget))
            windows.append(editor);
    return windows;
}

DesktopApp::DesktopApp()
    : settings_(openSettings()), clipboard_(std::make_unique<ClipboardWatch>()),
      library_(std::make_unique<NoteLibrary>(libraryFolder(), *settings_)),
      screen_(openScreenGrabber()), captureSettings_(std::make_unique<CaptureSettings>(*settings_)),
      recognition_(warmRecognitionEngines()) {
    DeletedNotesServices deletedServices;
    deletedServices.openDocuments = [] {
        std::vector<NoteDocument*> documents;
        for (EditorWindow* window : editorWindows())
            documents.push_back(&window->document());
        return documents;
    };
    deletedServices.openRestored = [this](const QString& path) { openArguments({path}); };
    deletedServices.forget = [this](const Id& noteID) { library_->forget(noteID); };
    deletedServices.cloudBinding = [this](const Id& noteID) -> std::optional<QJsonObject> {
        if (const auto binding = cloud_->binding(noteID))
            return binding->toJson();
        return std::nullopt;
    };
    deletedServices.suspendCloud = [this](const Id& noteID) { cloud_->suspendForDeletion(noteID); };
    deletedServices.cloudDeleted = [this](const Id& noteID, bool withCopies) {
        if (withCopies)
            cloud_->endForDeletion(noteID);
    };
    // Restores run on a worker: the engine takes the restored note back on its own thread.
    deletedServices.cloud = std::make_shared<CloudDeletion>([this](const DeletedNote& entry) {
        if (!entry.cloudBinding || !entry.restoredURL)
            return;
        const CloudBinding previous = CloudBinding::fromJson(*entry.cloudBinding);
        QMetaObject::invokeMethod(
            cloud_.get(),
            [this, id = entry.noteID, package = *entry.restoredURL, previous] {
                cloud_->resumeRestored(id, package, previous);
            },
            Qt::QueuedConnection);
    });
    deleted_ = std::make_unique<DeletedNotesController>(DeletedNotesStore(library_->folder()),
                                                        std::make_shared<FreedesktopTrash>(),
                                                        std::move(deletedServices));
    CloudSync::Services cloudServices;
    cloudServices.writers = cli::platformReaderWriters();
    cloudServices.progress = cli::syncthingUploadProgress();
    cloudServices.account = cli::syncAccountLookup();
    cloudServices.requestDownload = cli::syncthingDownloadRequest();
    cloud_ =
        std::make_unique<CloudSync>(CloudBindings(CloudBindings::folderBeside(library_->folder())),
                                    std::move(cloudServices), CloudSync::Delays{});
    captureShell_ = std::make_unique<DesktopCaptureShell>(DesktopCaptureShell::Hooks{
        [this](const CaptureDelivery& capture) { deliver(capture, nullptr); },
        [this](QObject* editor, const CaptureDelivery& capture) { deliver(capture, editor); },
        [this](const CaptureDelivery& capture) { showQuickCapture(capture); },
        [this] {
            if (ClipboardToast* toast = ClipboardToast::current())
                toast->close();
            if (quickCapture_)
                quickCapture_->close();
        }});
    CaptureWindows windows = makeCaptureWindows(*screen_);
    picker_ = std::move(windows.picker);
    countdown_ = std::move(windows.countdown);
    controller_ = std::make_unique<CaptureController>(CaptureController::Services{
        *screen_, *picker_, *countdown_, *captureShell_, *captureSettings_,
        [this](std::function<void()> step) {
            QTimer::singleShot(captureShell_->hidAnything() ? kHideSettleMs : 0, std::move(step));
        },
        qint32(::getpid())});

    scrolling_ = std::make_unique<ScrollCaptureUI>(
        *screen_,
        [this](const NotePackageContents& note, bool show) { saveScrollNote(note, show); },
        ScrollCaptureUI::Shell{[this] { captureShell_->hideWindows(); },
                               [this] { captureShell_->restoreWindows(true); },
                               [] { QApplication::beep(); }});

    recording_ = std::make_unique<DesktopRecording>(DesktopRecording::Services{
        *screen_, *picker_, *captureShell_, *library_, *settings_,
        [this] { return controller_->isCapturing() || scrolling_->isBusy(); },
        [this](const QString& package) { openArguments({package}); },
        [this](const QString& message) { showError(message); },
        [this](std::function<void()> step) {
            QTimer::singleShot(captureShell_->hidAnything() ? kHideSettleMs : 0, std::move(step));
        }});

    shortcutSettings_ = std::make_unique<ShortcutSettings>(*settings_);
    voiceShortcuts_ = std::make_unique<VoiceShortcuts>(*shortcutSettings_);
    hotKeys_ = openHotKeys();
    shortcuts_ = std::make_unique<CaptureShortcuts>(
        *shortcutSettings_, *hotKeys_, [this](bool explain) { captureFromOutside(explain); });
    voiceGesture_ =
        std::make_unique<VoiceHoldGesture>([this] { return voiceShortcuts_->shortcut(); });
    voiceGesture_->paused = [this] { return recording_->controller().isBusy(); };

    const auto recentEntries = [this] {
        std::vector<std::pair<QString, QString>> entries;
        for (const auto& entry : library_->recentNotes())
            entries.emplace_back(entry.title, entry.path);
        return entries;
    };
    commands_ = std::make_unique<ShellCommands>(
        applicationCommands(
            {*controller_, recording_->controller(), [this] { recording_->record(); },
             [this] { recording_->recover(false); }, *scrolling_, *captureSettings_, *screen_,
             library_->folder(), [this](const QStringList& files) { openArguments(files); },
             [this] { newFromClipboard(); }, [this] { presentOnboarding(); }, [this] { quit(); },
             [this] { deleted_->present(); }, [this] { showLibrary(); },
             [this] {
                 // Recording a combination must not start a dictation.
                 voiceGesture_->stop();
                 editCaptureShortcuts(nullptr, *shortcuts_);
                 voiceGesture_->start();
             },
             [this] { editVoiceShortcut(); }}),
        ShellCommands::RecentNotesMenu{recentEntries,
                                       [this](const QString& path) { openArguments({path}); }});
    connect(controller_.get(), &CaptureController::phaseChanged, commands_.get(),
            &ShellCommands::refreshEnabled);
    connect(&recording_->controller(), &RecordingController::stateChanged, commands_.get(),
            &ShellCommands::refreshEnabled);
}

DesktopApp::~DesktopApp() {
    // These windows use the settings, the clipboard watch and this application's handlers: none
    // may outlive them.
    delete libraryWindow_;
    qDeleteAll(editorWindows());
    delete quickCapture_;
    delete onboarding_;
    // A restore still running hands its note back to the sync engine: it ends first.
    deleted_.reset();
}

void DesktopApp::start(const QStringList& args) {
    registerResources();
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("lumbex"), QIcon(QStringLiteral(":/icons/lumbex.svg"))));
    QApplication::setQuitOnLastWindowClosed(false);
    showStatusItem();
    shortcuts_->start();
    modalPause_ = std::make_unique<ModalPause>([this] { shortcuts_->stop(); },
                                               [this] { shortcuts_->start(); });
    voiceGesture_->start();
    watchDisplaysAndSleep();
    deleted_->start();
    cloud_->start();
    commands_->refreshEnabled();
    QTimer::singleShot(kWarmUpDelayMs, this, [this] { recognition_.warmCrew->warmUp(); });
    // Recordings a crash or a power cut interrupted are offered once the launch has settled.
    QTimer::singleShot(kRecoveryCheckDelayMs, this, [this] { recording_->recover(true); });
    openArguments(args);
    // A first launch with nothing to open shows the tour, once.
    if (args.isEmpty())
        QTimer::singleShot(0, this, [this] {
            if (shouldPresentOnboarding(*settings_, !editorWindows().isEmpty()))
                presentOnboarding();
        });
}

void DesktopApp::watchDisplaysAndSleep() {
    const auto changed = [this] { scrolling_->displaysChanged(); };
    const auto watch = [this, changed](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, changed);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watch, changed](QScreen* screen) {
        watch(screen);
        changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, changed);
    // Optional: without a system bus (containers, CI) sleep simply goes unnoticed.
    QDBusConnection::systemBus().connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(prepareForSleep(bool)));
}

void DesktopApp::prepareForSleep(bool sleeping) {
    if (sleeping)
        scrolling_->systemWillSleep();
}

void DesktopApp::showStatusItem() {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
        tray_->setToolTip(QStringLiteral("Lumbex"));
        tray_->setContextMenu(commands_->statusMenu());
        connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](auto reason) {
            if (reason == QSystemTrayIcon::Trigger)
                commands_->statusMenu()->popup(QCursor::pos());
        });
        tray_->show();
        return;
    }
    // Without a tray the application would be unreachable: a small window carries the menu.
    controlWindow_ = std::make_unique<ControlWindow>(*commands_);
    controlWindow_->show();
}

void DesktopApp::openArguments(const QStringList& args) {
    for (const QString& arg : args) {
        try {
            if (arg == u"--fixture")
                openPractice();
            else if (arg == u"--capture" || arg == u"--quick-capture")
                captureFromOutside(arg == u"--capture");
            else if (arg == u"--record-screen")
                commands_->registry().action(QStringLiteral("recording.record"))->trigger();
            else if (QFileInfo(arg).isDir() || arg.endsWith(u".capturenote"))
                openPackage(arg);
            else
                openImage(arg);
        } catch (const LumbexError& e) {
            showError(e.message());
        }
    }
}

EditorWindow* DesktopApp::show(std::unique_ptr<NoteDocument> document) {
    NoteDocument* opened = document.get();
    auto* window = new EditorWindow(std::move(document), *settings_, *clipboard_);
    commands_->install(window->menuBar());
    window->setRecognitionEngines(recognition_);
    window->onPinImage = [this](EditorWindow* editor, const QByteArray& png, const Id& mediaID) {
        pin(editor, png, mediaID);
    };
    window->onCaptureIntoNote = [this](EditorWindow* editor) {
        capture(CaptureController::Mode::Area, false, editor);
    };
    window->onDeleteNote = [this](EditorWindow* editor) {
        if (!VoiceSession::pending(&editor->document()).empty())
            return showError(QStringLiteral("Finish the voice notes before deleting this note."));
        deleted_->confirmDeletion(editor->document(), editor, false);
    };
    window->onOpenRecording = [this](EditorWindow* editor, std::optional<qint64> sourceTime) {
        recordingWindows_.open(*editor, sourceTime);
    };
    window->onOpenSyncSettings = [this](EditorWindow* editor) { showSyncSettings(*editor); };
    window->setVoiceShortcutEditor([this] { editVoiceShortcut(); });
    // The commands that depend on these handlers were last refreshed without them.
    window->commands().refresh();
    connect(opened, &NoteDocument::noteSaved, this, [this, opened] {
        library_->addRecent(opened->filePath());
        cloud_->saved(opened->note().id, opened->filePath());
    });
    if (libraryWindow_)
        libraryWindow_->watch(opened);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

EditorWindow* DesktopApp::openPackage(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // A deleted note is restored, not edited where it lies.
    if (deleted_->store().contains(absolute)) {
        deleted_->present();
        return nullptr;
    }
    for (EditorWindow* window : editorWindows())
        if (window->document().filePath() == absolute) {
            window->raise();
            window->activateWindow();
            return window;
        }
    EditorWindow* window = show(NoteDocument::open(path));
    // Voice notes cut off by a crash get their audio back from their drafts.
    recoverVoiceDrafts(window->document(), voiceDraftsRoot(), voiceDraftAudioOpener());
    library_->addRecent(absolute);
    return window;
}

EditorWindow* DesktopApp::openImage(const QString& path) {
    std::unique_ptr<NoteDocument> document =
        library_->documentFromImageData(ImageFiles::readImageFile(path), importedImageName(path));
    document->saveCheckpoint();
    return show(std::move(document));
}

EditorWindow* DesktopApp::openPractice() {
    std::unique_ptr<NoteDocument> document = makePracticeNote(*library_);
    document->saveCheckpoint();
    EditorWindow* window = show(std::move(document));
    const CaptureNote& note = window->document().note();
    if (!note.notes.empty())
        if (NoteRow* row = window->rowFor(note.notes.front().id))
            QTimer::singleShot(0, row, [row] { row->focusText(); });
    return window;
}

void DesktopApp::deliver(const CaptureDelivery& capture, QObject* editor) {
    if (auto* window = qobject_cast<EditorWindow*>(editor)) {
        window->appendCapture(capture.shot.png, capture.name);
        return;
    }
    try {
        std::unique_ptr<NoteDocument> document =
            library_->documentFromCapturePNG(capture.shot.png, capture.name);
        document->update([&](CaptureNote& note) { note.title = capture.name; });
        document->saveCheckpoint();
        show(std::move(document));
    } catch (const LumbexError& e) {
        showError(e.message());
    }
}

void DesktopApp::captureFromOutside(bool explain) {
    if (recording_->controller().isBusy() || scrolling_->isBusy())
        QApplication::beep();
    else
        capture(CaptureController::Mode::Area, explain);
}

void DesktopApp::capture(CaptureController::Mode mode, bool explain, QObject* editor, int delay) {
    controller_->capture(mode, explain, editor, delay);
}

void DesktopApp::saveScrollNote(const NotePackageContents& note, bool show) {
    const QString path = library_->create(note);
    library_->addRecent(path);
    if (show)
        openPackage(path);
}

void DesktopApp::newFromClipboard() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    QByteArray bytes = data ? data->data(QStringLiteral("image/png")) : QByteArray();
    if (bytes.isEmpty() && data && data->hasImage()) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        qvariant_cast<QImage>(data->imageData()).save(&buffer, "PNG");
    }
    if (bytes.isEmpty())
        return showError(QStringLiteral("Copy an image first, then choose New from Clipboard."));
    try {
        std::unique_ptr<NoteDocument> document =
            library_->documentFromImageData(bytes, QStringLiteral("Pasted Image"));
        document->saveCheckpoint();
        show(std::move(document));
    } catch (const LumbexError& e) {
        showError(e.message());
    }
}

void DesktopApp::showError(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

void DesktopApp::quit() {
    controller_->cancel(false);
    // A recording is saved as a note, not opened; one not yet started is abandoned.
    recording_->controller().finish(false);
    recording_->controller().stopRecording();
    if (scrolling_->isBusy()) {
        try {
            scrolling_->finishForTermination();
        } catch (const LumbexError& e) {
            showError(e.message());
            return;
        }
    }
    // Every voice note is stopped and saved into its note first.
    VoiceSession::finishAllAndWait(nullptr);
    // Closing a window commits its typing, stores its view and saves the note; a failed save
    // keeps its window open and the application running.
    closeEditorsThenQuit(editorWindows(), [] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::quit();
    });
}

int runDesktop(const QStringList& args, FILE* messages) {
    SingleInstance instance;
    if (instance.handOver(args))
        return 0;
    DesktopApp app;
    instance.listen([&app](const QStringList& handed) { app.openArguments(handed); },
                    [&app](ReadingRequest request, SingleInstance::ReadingAnswer answer) {
                        answerReadingRequest(app.recognitionEngines(), std::move(request), &app,
                                             std::move(answer));
                    },
                    app.shortcutsHandler());
    app.start(args);
    QTextStream(messages).flush();
    return QApplication::exec();
}

} // namespace lumbex
