#include "app/desktop/desktop_app.h"

#include "app/desktop/practice_note.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/editor/note_row.h"
#include "core/error.h"
#include "core/files.h"
#include "model/app_folders.h"
#include "model/note_document.h"
#include "request/handoff_settings.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

// The icon fallbacks live in a static library: register them before the first window asks.
static void registerResources() {
    Q_INIT_RESOURCE(icons);
}

namespace lumbex {

DesktopApp::DesktopApp() : settings_(openSettings()), clipboard_(new ClipboardWatch(this)) {}

DesktopApp::~DesktopApp() = default;

EditorWindow* DesktopApp::show(std::unique_ptr<NoteDocument> document, bool isNew) {
    if (isNew)
        HandoffSettings(*settings_).adoptDefaultDestination(document->note().id);
    auto* window = new EditorWindow(std::move(document), *settings_, *clipboard_);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

EditorWindow* DesktopApp::openPackage(const QString& path) {
    return show(NoteDocument::open(path), false);
}

EditorWindow* DesktopApp::openImage(const QString& path) {
    std::unique_ptr<NoteDocument> document =
        NoteDocument::fromImageData(readFile(path), QFileInfo(path).completeBaseName());
    document->saveCheckpoint();
    return show(std::move(document), true);
}

EditorWindow* DesktopApp::openPractice() {
    std::unique_ptr<NoteDocument> document = makePracticeNote();
    document->saveCheckpoint();
    EditorWindow* window = show(std::move(document), true);
    const CaptureNote& note = window->document().note();
    if (!note.notes.empty())
        if (NoteRow* row = window->rowFor(note.notes.front().id))
            QTimer::singleShot(0, row, [row] { row->focusText(); });
    return window;
}

int runDesktop(const QStringList& args, FILE* messages) {
    registerResources();
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("lumbex"), QIcon(QStringLiteral(":/icons/lumbex.svg"))));
    DesktopApp app;
    QTextStream errors(messages);
    int opened = 0;
    const QStringList files =
        args.value(0) == u"--fixture" || args.isEmpty() ? QStringList() : args;
    if (files.isEmpty()) {
        try {
            app.openPractice();
            ++opened;
        } catch (const LumbexError& e) {
            errors << e.message() << '\n';
        }
    }
    for (const QString& path : files) {
        try {
            const bool package = QFileInfo(path).isDir() || path.endsWith(u".capturenote");
            package ? app.openPackage(path) : app.openImage(path);
            ++opened;
        } catch (const LumbexError& e) {
            errors << e.message() << '\n';
        }
    }
    errors.flush();
    if (opened == 0)
        return 1;
    return QApplication::exec();
}

} // namespace lumbex
