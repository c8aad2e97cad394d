// The desktop application's windows around captures and notes: the quick capture panel, pinned
// images, the welcome tour, the saved notes window, text recognition for quick captures, and the
// voice shortcut's dialog, and the sync window of a note.
#include "app/capture_ui/onboarding_window.h"
#include "app/capture_ui/pin_window.h"
#include "app/capture_ui/quick_capture_panel.h"
#include "app/cloud_ui/cloud_settings_controller.h"
#include "app/cloud_ui/cloud_sync_settings_engine.h"
#include "app/commands/menu_keys.h"
#include "app/deleted_ui/deleted_notes_controller.h"
#include "app/desktop/desktop_app.h"
#include "app/desktop/quick_capture_note.h"
#include "app/desktop/shell_commands.h"
#include "app/desktop/shell_dialogs.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/library_ui/notes_library_controller.h"
#include "app/shortcuts_ui/voice_hold_gesture.h"
#include "app/shortcuts_ui/voice_shortcut_dialog.h"
#include "core/error.h"
#include "model/image_files.h"
#include "model/note_document.h"
#include "model/note_library.h"
#include "platform/file_reveal.h"
#include "recognition/image_recognition.h"
#include "shortcuts/capture_shortcuts.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QMenuBar>
#include <QtConcurrent/QtConcurrentRun>

namespace lumbex {

std::vector<QKeySequence> DesktopApp::menuKeys() const {
    if (const QList<EditorWindow*> editors = editorWindows(); !editors.isEmpty())
        return menuKeyEquivalents(editors.front()->menuBar()->actions());
    // The application's menus as an editor window shows them, File menu included.
    QMenuBar bar;
    bar.addMenu(QStringLiteral("File"));
    commands_->install(&bar);
    return menuKeyEquivalents(bar.actions());
}

void DesktopApp::editVoiceShortcut() {
    VoiceShortcutDialog dialog(*voiceShortcuts_, shortcuts_->configuration(), menuKeys());
    shortcuts_->stop();
    voiceGesture_->stop();
    dialog.exec();
    voiceGesture_->start();
    shortcuts_->start();
}

void DesktopApp::showQuickCapture(const CaptureDelivery& capture) {
    const std::shared_ptr<QuickCaptureNote> created =
        QuickCaptureNote::start(*library_, capture.shot.png, capture.shot.size, capture.name, this,
                                [this](const QString& message) { showError(message); });
    const auto open = [this, created] {
        created->open([this](const QString& package) { openArguments({package}); });
    };
    const QByteArray png = capture.shot.png;
    QuickCapturePanel::Actions actions;
    actions.edit = open;
    actions.pin = [png, created, open] {
        const CaptureNote& note = created->note();
        auto* window = new PinWindow(png, note.title, PinnedSource::of(note, note.media.front()),
                                     nullptr, open);
        window->show();
    };
    actions.chooseSaveFile = [name = capture.name] {
        return QFileDialog::getSaveFileName(nullptr, QStringLiteral("Save Image"),
                                            name + QStringLiteral(".png"),
                                            QStringLiteral("PNG image (*.png)"));
    };
    actions.share = [](const QString& file) { revealFiles({file}); };
    actions.recognizeText = [this](const QByteArray& bytes,
                                   std::function<void(const QString&)> report) {
        recognizeText(bytes, std::move(report));
    };
    if (quickCapture_)
        quickCapture_->close();
    auto* panel = new QuickCapturePanel(png, capture.name, std::move(actions));
    quickCapture_ = panel;
    const Rect area = capture.shot.rect;
    panel->present(QRectF(area.x, area.y, area.width, area.height).toAlignedRect());
}

void DesktopApp::recognizeText(const QByteArray& png, std::function<void(const QString&)> report) {
    const quint64 clipboardCount = clipboard_->changeCount();
    auto* watcher = new QFutureWatcher<std::optional<QString>>(this);
    connect(watcher, &QFutureWatcher<std::optional<QString>>::finished, this,
            [this, watcher, report, clipboardCount] {
                watcher->deleteLater();
                const std::optional<QString> text = watcher->result();
                if (!text)
                    return report(QStringLiteral("Couldn’t read text · Try OCR again"));
                if (text->trimmed().isEmpty())
                    return report(QStringLiteral("No text found"));
                if (clipboard_->changeCount() != clipboardCount)
                    return report(QStringLiteral("Clipboard changed · Try OCR again"));
                QClipboard* clipboard = QApplication::clipboard();
                clipboard->setText(*text);
                report(clipboard->text() == *text
                           ? QStringLiteral("Text copied · ") + QLatin1String(kPasteShortcut) +
                                 QStringLiteral(" to paste")
                           : QStringLiteral("Couldn’t copy text · Try OCR again"));
            });
    watcher->setFuture(QtConcurrent::run([png, engines = recognition_]() -> std::optional<QString> {
        try {
            ImageRecognition reading(engines);
            return reading.recognize(ImageFiles::image(png), false).text(false);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }));
}

void DesktopApp::pin(EditorWindow* editor, const QByteArray& png, const Id& mediaID) {
    const CaptureNote& note = editor->document().note();
    const Media* media = note.image(mediaID);
    if (!media)
        return;
    QPointer<EditorWindow> source(editor);
    auto* window = new PinWindow(png, note.title, PinnedSource::of(note, *media),
                                 &editor->document(), [source] {
                                     if (source) {
                                         source->raise();
                                         source->activateWindow();
                                     }
                                 });
    window->show();
}

void DesktopApp::presentOnboarding() {
    if (onboarding_) {
        onboarding_->raise();
        return;
    }
    auto* tour = new OnboardingWindow(
        *settings_, {[this] { openArguments({QStringLiteral("--fixture")}); },
                     [this] { capture(CaptureController::Mode::Area, true); },
                     [this] { editCaptureOptions(nullptr, *captureSettings_, true); },
                     [] { showPrivacy(nullptr); }});
    onboarding_ = tour;
    tour->present();
}

void DesktopApp::showLibrary() {
    if (!libraryWindow_) {
        NotesLibraryController::Hooks hooks;
        hooks.open = [this](const QString& path) { openArguments({path}); };
        hooks.recentURLs = [this] {
            QStringList paths;
            for (const RecentNotes::Entry& entry : library_->recentNotes())
                paths.append(entry.path);
            return paths;
        };
        hooks.openDocuments = [] {
            std::vector<NoteDocument*> documents;
            for (EditorWindow* editor : editorWindows())
                documents.push_back(&editor->document());
            return documents;
        };
        hooks.reveal = revealFiles;
        hooks.showRecentlyDeleted = [this] { deleted_->present(); };
        // The deletion asks about an open note: one that was not open before closes again when
        // the question is cancelled.
        hooks.moveToRecentlyDeleted = [this](const LibraryEntry& entry) {
            const QList<EditorWindow*> open = editorWindows();
            const bool wasOpen = std::any_of(open.begin(), open.end(), [&](EditorWindow* e) {
                return e->document().filePath() == entry.url;
            });
            try {
                if (EditorWindow* editor = openPackage(entry.url))
                    deleted_->confirmDeletion(editor->document(), editor, !wasOpen);
            } catch (const LumbexError& error) {
                showError(error.message());
            }
        };
        libraryWindow_ = new NotesLibraryController(library_->folder(), std::move(hooks));
        libraryWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
        connect(deleted_.get(), &DeletedNotesController::deletedNotesChanged, libraryWindow_,
                &NotesLibraryController::refreshNotes);
    }
    libraryWindow_->present();
}

void DesktopApp::showSyncSettings(EditorWindow& editor) {
    if (auto* open = editor.findChild<CloudSettingsController*>()) {
        open->raise();
        open->activateWindow();
        return;
    }
    auto* engine =
        new CloudSyncSettingsEngine(*cloud_, editor.document(), *settings_, library_->folder(),
                                    [this](const QString& package) { openArguments({package}); });
    auto* window = new CloudSettingsController(*engine, &editor);
    // The engine ends with its window.
    engine->setParent(window);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

} // namespace lumbex
