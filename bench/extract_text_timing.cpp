// Extract Text in an editor window until the recognition window shows its lines, on the engines
// the desktop application keeps warm. Prints one line per image: its name and the seconds of each
// reading, in order; the first reading of the run loads the engines unless --warm-up is given
// (which loads them first, as the application does shortly after start-up).
//
// usage: extract_text_timing [--warm-up] [--runs N] IMAGE...
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/editor/recognition_window.h"
#include "app/editor/text_reading.h"
#include "app/recognition_engines.h"
#include "core/error.h"
#include "model/image_files.h"
#include "model/note_document.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <cstdio>

namespace lumbex {
namespace {

// Chooses Extract Text as the person would and waits until its lines are on the screen.
double extractText(EditorWindow& editor) {
    QAction* command = editor.findChild<QAction*>(QStringLiteral("editor.extractText"));
    QElapsedTimer clock;
    clock.start();
    if (command)
        command->trigger();
    else
        editor.reading().read(false, std::nullopt);
    RecognitionWindow* window = editor.reading().window();
    if (!window)
        throw LumbexError(QStringLiteral("Extract Text opened no window."));
    QEventLoop loop;
    const auto finished = [window] {
        return window->session().state().phase != RecognitionWindowState::Phase::Reading;
    };
    QObject::connect(&window->session(), &RecognitionSession::changed, &loop, [&] {
        if (finished())
            loop.quit();
    });
    if (!finished())
        loop.exec();
    window->repaint();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (window->session().state().output.isEmpty())
        throw LumbexError(window->session().state().message);
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return seconds;
}

int run(const QStringList& args) {
    const bool warmUp = args.contains(QStringLiteral("--warm-up"));
    int runs = 1;
    QStringList images;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--runs" && i + 1 < args.size())
            runs = args[++i].toInt();
        else if (args[i] != u"--warm-up")
            images << args[i];
    }
    QTemporaryDir folder;
    QSettings settings(folder.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    ClipboardWatch clipboard;
    const RecognitionEngines engines = warmRecognitionEngines();
    if (warmUp) {
        engines.warmCrew->warmUp();
        // What the application's warm-up has finished well before a person chooses Extract Text.
        QThread::sleep(3);
    }
    QTextStream out(stdout);
    for (const QString& image : images) {
        auto* editor = new EditorWindow(
            NoteDocument::fromImageData(ImageFiles::readImageFile(image),
                                        QFileInfo(image).baseName(), folder.path()),
            settings, clipboard);
        editor->setAttribute(Qt::WA_DeleteOnClose);
        editor->setRecognitionEngines(engines);
        editor->show();
        QCoreApplication::processEvents();
        out << QFileInfo(image).baseName();
        for (int i = 0; i < runs; ++i)
            out << ' ' << QString::number(extractText(*editor), 'f', 4);
        out << Qt::endl;
        editor->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return 0;
}

} // namespace
} // namespace lumbex

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The editor's icons live in a static library.
    Q_INIT_RESOURCE(icons);
    try {
        return lumbex::run(QCoreApplication::arguments().mid(1));
    } catch (const lumbex::LumbexError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
}
