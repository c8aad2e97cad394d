#include "app/commands/command_registry.h"
#include "app/desktop/practice_note.h"
#include "app/editor/canvas_zoom.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/editor/note_row.h"
#include "app/editor/recognition_window.h"
#include "app/editor/text_reading.h"
#include "app/recognition_engines.h"
#include "canvas/canvas_view.h"
#include "model/note_document.h"
#include "model/note_library.h"
#include "model/note_package.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace lumbex {
namespace {

class EditorWindowTest : public ::testing::Test {
protected:
    EditorWindow* open(std::unique_ptr<NoteDocument> document) {
        auto* window = new EditorWindow(std::move(document), settings_, clipboard_);
        // The size the window takes on a large screen, whatever the test's screen is.
        window->resize(1280, 820);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        windows_.emplace_back(window);
        return window;
    }

    static QPoint onScreen(EditorWindow* window, Point source) {
        return window->canvas().screen(source).toPoint();
    }

    static void drag(EditorWindow* window, Point from, Point to) {
        QWidget* viewport = window->canvas().viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, onScreen(window, from));
        QTest::mouseMove(viewport, onScreen(window, {(from.x + to.x) / 2, (from.y + to.y) / 2}));
        QTest::mouseMove(viewport, onScreen(window, to));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, onScreen(window, to));
    }

    test::TemporaryFolder folder_;
    QSettings settings_{folder_.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat};
    ClipboardWatch clipboard_;
    NoteLibrary library_{folder_.path(QStringLiteral("Notes")), settings_};
    std::vector<QPointer<EditorWindow>> windows_;

    void TearDown() override {
        for (const QPointer<EditorWindow>& window : windows_)
            if (window)
                window->close();
        // A window closes once its note is saved.
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return std::all_of(windows_.begin(), windows_.end(), [](auto& w) { return !w; });
            },
            5000));
    }
};

TEST_F(EditorWindowTest, ADrawnRectangleIsOneUndoableChangeThatTheSelectToolMoves) {
    EditorWindow* window = open(makePracticeNote(library_));
    CanvasView& canvas = window->canvas();
    canvas.setFocus();
    QTest::keyClick(&canvas, Qt::Key_R);
    ASSERT_EQ(canvas.tool(), CanvasTool::Rectangle);
    const size_t before = window->document().note().marks.size();

    drag(window, {300, 200}, {500, 320});
    ASSERT_EQ(window->document().note().marks.size(), before + 1);
    const Mark& drawn = window->document().note().marks.back();
    const Id id = drawn.id;
    EXPECT_EQ(drawn.kind, MarkKind::Rectangle);
    EXPECT_NEAR(drawn.rect().width, 200, 2);
    EXPECT_NEAR(drawn.rect().height, 120, 2);
    QUndoStack& undo = window->document().undoStack();
    EXPECT_EQ(undo.undoText(), QStringLiteral("Add Rectangle"));
    undo.undo();
    EXPECT_EQ(window->document().note().marks.size(), before);
    undo.redo();
    ASSERT_TRUE(window->document().note().mark(id));

    QTest::keyClick(&canvas, Qt::Key_V);
    drag(window, {300, 260}, {340, 300});
    const Rect afterMove = window->document().note().mark(id)->rect();
    EXPECT_NEAR(afterMove.x, 340, 2);
    EXPECT_NEAR(afterMove.y, 240, 2);
    EXPECT_EQ(canvas.selectedID(), id);

    QTest::keyClick(&canvas, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(window->document().note().mark(id)->rect().x, afterMove.x + 10);
    EXPECT_EQ(window->document().note().mark(id)->rect().y, afterMove.y);
}

TEST_F(EditorWindowTest, ExtractTextShowsTheImageTextAndKeepsItInTheNote) {
    EditorWindow* window = open(makePracticeNote(library_));
    window->setRecognitionEngines(installedRecognitionEngines());
    window->reading().read(false, std::nullopt);
    RecognitionWindow* reading = window->reading().window();
    ASSERT_TRUE(reading);
    QTRY_VERIFY_WITH_TIMEOUT(
        reading->session().state().phase == RecognitionWindowState::Phase::Finished, 60000);
    const QString text = reading->output()->toPlainText();
    EXPECT_TRUE(text.contains(QStringLiteral("workspace"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Open project"))) << text.toStdString();
    const Media& media = window->document().note().media.front();
    ASSERT_TRUE(media.recognition);
    EXPECT_TRUE(media.recognition->text.contains(QStringLiteral("workspace")));
    EXPECT_EQ(window->document().undoStack().count(), 0) << "the cache is not an undo step";
}

TEST_F(EditorWindowTest, ReopeningRestoresToolImageAndZoom) {
    EditorWindow* window = open(makePracticeNote(library_));
    const Id noteID = window->document().note().id;
    window->canvas().setFocus();
    QTest::keyClick(&window->canvas(), Qt::Key_T);
    window->zoom().set(2.0);
    const EditorViewState state = window->viewState();
    window->close();
    const std::optional<EditorViewState> stored = EditorViewState::load(settings_, noteID);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->tool, CanvasTool::Text);
    EXPECT_EQ(stored->mediaID, state.mediaID);
    ASSERT_TRUE(stored->zoom);
    EXPECT_NEAR(*stored->zoom, 2.0, 1e-9);
}

// A restart is a new settings object on the same file and a new window on the reopened package.
TEST_F(EditorWindowTest, TheViewStateSurvivesARestartOfTheApplication) {
    std::unique_ptr<NoteDocument> document = makePracticeNote(library_);
    document->appendImage(test::solidPng(900, 1400, Qt::yellow), QStringLiteral("tall"), true);
    QPointer<EditorWindow> window = open(std::move(document));
    const Id noteID = window->document().note().id;
    window->setActiveMedia(window->document().note().media.back().id);
    window->canvas().setFocus();
    QTest::keyClick(&window->canvas(), Qt::Key_T);
    window->zoom().set(2.0);
    window->canvas().centerOn({450, 1100}); // scrolled down the tall image
    const EditorViewState before = window->viewState();
    ASSERT_NEAR(before.center.y, 1100, 1);
    window->close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 5000)) << "the save ended";
    settings_.sync();

    QSettings restarted(settings_.fileName(), QSettings::IniFormat);
    QPointer<EditorWindow> reopened =
        new EditorWindow(NoteDocument::open(library_.packagePath(noteID)), restarted, clipboard_);
    reopened->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(reopened));
    const EditorViewState after = reopened->viewState();
    EXPECT_EQ(after.mediaID, before.mediaID);
    EXPECT_EQ(after.tool, CanvasTool::Text);
    ASSERT_TRUE(after.zoom);
    EXPECT_NEAR(*after.zoom, 2.0, 1e-9);
    // The reopened window lays out its viewport afresh: a few source pixels either way.
    EXPECT_NEAR(after.center.x, before.center.x, 4);
    EXPECT_NEAR(after.center.y, before.center.y, 4);
    reopened->close(); // while its settings live
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.isNull(); }, 5000));
}

TEST_F(EditorWindowTest, ShowInspectorHidesTheSidePanelAndTheWindowRemembersIt) {
    EditorWindow* window = open(makePracticeNote(library_));
    const Id noteID = window->document().note().id;
    QAction* showInspector = window->commands().action(QStringLiteral("editor.showInspector"));
    ASSERT_TRUE(showInspector->isChecked());
    ASSERT_TRUE(window->viewState().inspectorVisible);

    showInspector->trigger();
    EXPECT_FALSE(showInspector->isChecked());
    EXPECT_FALSE(window->viewState().inspectorVisible);
    window->close();
    const std::optional<EditorViewState> stored = EditorViewState::load(settings_, noteID);
    ASSERT_TRUE(stored);
    EXPECT_FALSE(stored->inspectorVisible);

    EditorWindow* restored = open(makePracticeNote(library_));
    restored->restoreViewState(*stored);
    EXPECT_FALSE(restored->commands().action(QStringLiteral("editor.showInspector"))->isChecked());
    EXPECT_FALSE(restored->viewState().inspectorVisible);
}

// Files may grow to `bytes` only while it lives, as on a disk that is full: a write past the
// limit fails (EFBIG) instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

void saveNow(NoteDocument& document) {
    std::optional<std::optional<QString>> result;
    document.saveCheckpoint([&](const auto& error) { result = error; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 5000));
    EXPECT_EQ(*result, std::nullopt);
}

TEST_F(EditorWindowTest, ClosingWaitsForTheSaveAndAFailedSaveKeepsTheWindowWithItsMessage) {
    struct Case {
        const char* name;
        // Saves first when the note should have a package already, then makes what the save on
        // closing meets.
        std::function<void(NoteDocument& document, const QString& library)> prepare;
        bool diskFull;
        // How the message of the failed save ends; empty when the save succeeds.
        QString failure;
    };
    const Case cases[] = {
        {"a writable library", [](NoteDocument&, const QString&) {}, false, {}},
        {"a new note whose library folder is a file",
         [](NoteDocument&, const QString& library) {
             QFile file(library);
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
         },
         false,
         QStringLiteral(
             "Could not create the folder “a new note whose library folder is a file”.")},
        {"a saved note whose package's folder became a file",
         [](NoteDocument& document, const QString& library) {
             saveNow(document);
             EXPECT_TRUE(QDir().rename(library, library + QStringLiteral(".moved")));
             QFile file(library);
             EXPECT_TRUE(file.open(QIODevice::WriteOnly));
         },
         false, QStringLiteral(": Not a directory. Your previous save has been kept.")},
        {"a saved note on a full disk",
         [](NoteDocument& document, const QString&) { saveNow(document); }, true,
         QStringLiteral(": File too large. Your previous save has been kept.")},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const QString library = folder_.path(QString::fromUtf8(test.name));
        NoteLibrary notes(library, settings_);
        std::unique_ptr<NoteDocument> document = makePracticeNote(notes);
        test.prepare(*document, library);
        document->update([](CaptureNote& note) { note.title = QStringLiteral("Last edit"); });
        const Id noteID = document->note().id;
        QPointer<EditorWindow> window = open(std::move(document));

        std::optional<FileSizeLimit> full;
        if (test.diskFull)
            full.emplace(16);
        EXPECT_FALSE(window->close()) << "closed before the save ended";
        if (test.failure.isEmpty()) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 5000));
            EXPECT_EQ(readNotePackage(notes.packagePath(noteID)).note.title,
                      QStringLiteral("Last edit"));
            continue;
        }
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !window || window->document().saveError(); }, 5000));
        full.reset();
        QTest::qWait(50);
        ASSERT_FALSE(window.isNull()) << "closed although its save failed";
        ASSERT_TRUE(window->document().saveError());
        EXPECT_TRUE(window->isVisible());
        const QList<QMessageBox*> boxes = window->findChildren<QMessageBox*>();
        ASSERT_EQ(boxes.size(), 1);
        EXPECT_EQ(boxes.front()->text(), *window->document().saveError());
        EXPECT_TRUE(boxes.front()->text().endsWith(test.failure))
            << boxes.front()->text().toStdString();
        EXPECT_TRUE(boxes.front()->isVisible());
        delete window.data();
    }
}

// Answers the save panel titled `title` with `path`.
void answerSavePanel(const QString& title, const QString& path, QString* proposed) {
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<QFileDialog*>(w);
                    d && d->isVisible() && d->windowTitle() == title)
                    dialog = d;
            return dialog != nullptr;
        },
        5000));
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    *proposed = name->text();
    dialog->setDirectory(QFileInfo(path).path());
    name->setText(QFileInfo(path).fileName());
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
}

TEST_F(EditorWindowTest, ExportReviewPdfWritesThePdfWhereThePersonChose) {
    EditorWindow* window = open(makePracticeNote(library_));
    const qint64 revision = window->document().note().revision;
    QAction* exportPdf = window->commands().action(QStringLiteral("editor.exportReviewPdf"));
    ASSERT_TRUE(exportPdf->isEnabled());
    const QString target = folder_.path(QStringLiteral("Review.pdf"));
    exportPdf->trigger();
    QString proposed;
    answerSavePanel(QStringLiteral("Export Review PDF"), target, &proposed);
    EXPECT_EQ(proposed, QStringLiteral("Sample - Project Cards.pdf"));
    auto* status = window->findChild<QLabel*>(QStringLiteral("Status line"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return status->text() ==
                   QStringLiteral("Mobile PDF exported · Revision ") + QString::number(revision);
        },
        20000))
        << status->text().toStdString();
    const QByteArray pdf = test::fileBytes(target);
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    const QStringList left =
        QDir(folder_.path()).entryList({QStringLiteral(".Lumbex-*")}, QDir::Files | QDir::Hidden);
    EXPECT_TRUE(left.isEmpty()) << "the temporary file is gone";
}

TEST_F(EditorWindowTest, ANewWindowFitsTheScreen) {
    auto* window = new EditorWindow(makePracticeNote(library_), settings_, clipboard_);
    windows_.emplace_back(window);
    const QRect available = window->screen()->availableGeometry();
    ASSERT_LT(available.height(), 820) << "the test screen is smaller than the preferred size";
    EXPECT_LE(window->width(), available.width());
    EXPECT_LE(window->height(), available.height() * 9 / 10);
    EXPECT_GE(window->height(), available.height() * 8 / 10) << "as large as it may be";
}

TEST_F(EditorWindowTest, TheVoiceOptionsEndWithTheApplicationsVoiceShortcutDialog) {
    EditorWindow* window = open(makePracticeNote(library_));
    auto* options =
        window->rowFor(std::nullopt)->findChild<QToolButton*>(QStringLiteral("Voice options"));
    ASSERT_TRUE(options && options->menu());
    const auto lastItem = [&] {
        emit options->menu()->aboutToShow();
        return options->menu()->actions().back();
    };
    EXPECT_EQ(lastItem()->text(), "Set Voice Shortcut…");
    EXPECT_FALSE(lastItem()->isEnabled()) << "without the application's dialog";

    int opened = 0;
    window->setVoiceShortcutEditor([&] { ++opened; });
    QAction* item = lastItem();
    ASSERT_TRUE(item->isEnabled());
    item->trigger();
    EXPECT_EQ(opened, 1);
}

} // namespace
} // namespace lumbex
