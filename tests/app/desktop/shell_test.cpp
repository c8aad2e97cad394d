#include "app/desktop/closing_editors.h"
#include "app/desktop/quick_capture_note.h"
#include "app/desktop/shell_commands.h"
#include "app/desktop/single_instance.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "core/error.h"
#include "model/note_document.h"
#include "model/note_library.h"
#include "model/note_package.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSemaphore>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class QuickCaptureNoteTest : public ::testing::Test {
protected:
    // A library whose package writes wait for `release`, noting the thread they run on.
    NoteLibrary& slowLibrary() {
        library = std::make_unique<NoteLibrary>(
            folder.path(QStringLiteral("Notes")), settings,
            [this](const NotePackageContents& contents, const QString& path) {
                writer = QThread::currentThread();
                if (!release.tryAcquire(1, 5000))
                    throw LumbexError(QStringLiteral("The write was never released."));
                createNotePackage(contents, path);
            });
        return *library;
    }
    std::shared_ptr<QuickCaptureNote> start(NoteLibrary& notes) {
        return QuickCaptureNote::start(notes, png, QSize(40, 30), QStringLiteral("Capture"),
                                       &context,
                                       [this](const QString& message) { failures << message; });
    }

    test::TemporaryFolder folder;
    QSettings settings{folder.path(QStringLiteral("settings.ini")), QSettings::IniFormat};
    std::unique_ptr<NoteLibrary> library;
    QSemaphore release;
    std::atomic<QThread*> writer = nullptr;
    QObject context;
    QByteArray png = test::solidPng(40, 30);
    QStringList failures;
};

TEST_F(QuickCaptureNoteTest, ThePackageIsWrittenOffTheGuiThreadAndEditOpensItOnceWritten) {
    NoteLibrary& notes = slowLibrary();
    const std::shared_ptr<QuickCaptureNote> created = start(notes);
    const QString package = notes.packagePath(created->note().id);
    EXPECT_EQ(created->note().title, QStringLiteral("Capture"));
    EXPECT_FALSE(created->created());
    EXPECT_FALSE(QFileInfo::exists(package)) << "the capture is shown before its package exists";

    QStringList opened;
    created->open([&](const QString& path) { opened << path; });
    EXPECT_TRUE(opened.isEmpty()) << "Edit waits for the package";
    release.release();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 5000));
    EXPECT_EQ(opened, QStringList{package});
    EXPECT_NE(writer.load(), QThread::currentThread());
    const NotePackageContents written = readNotePackage(package);
    EXPECT_EQ(written.note, created->note());
    EXPECT_EQ(written.originals.at(created->note().media.front().id), png);

    created->open([&](const QString& path) { opened << path; });
    EXPECT_EQ(opened, (QStringList{package, package}));
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(QuickCaptureNoteTest, AFailedCreationIsShownAndShownAgainByEdit) {
    folder.write(QStringLiteral("Notes"), "a file where the library should be");
    NoteLibrary notes(folder.path(QStringLiteral("Notes")), settings);
    const std::shared_ptr<QuickCaptureNote> created = start(notes);
    bool opened = false;
    created->open([&](const QString&) { opened = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !failures.isEmpty(); }, 5000));
    const QString message = QStringLiteral("Could not create the folder “Notes”.");
    EXPECT_EQ(failures, QStringList{message});
    created->open([&](const QString&) { opened = true; });
    EXPECT_EQ(failures, (QStringList{message, message}));
    EXPECT_FALSE(opened);
}

// Quitting closes every editor once its note is saved, and never with a note it could not save.
class QuittingTest : public ::testing::Test {
protected:
    // An editor with an unsaved change to a note of `library`.
    QPointer<EditorWindow> openEditor(NoteLibrary& library) {
        auto document =
            library.documentFromCapturePNG(test::solidPng(60, 40), QStringLiteral("Shot"));
        document->update([](CaptureNote& note) { note.title = QStringLiteral("Last edit"); });
        auto* window = new EditorWindow(std::move(document), settings, clipboard);
        window->show();
        return window;
    }
    static QStringList messagesOn(QWidget* window) {
        QStringList texts;
        for (const QMessageBox* box : window->findChildren<QMessageBox*>())
            texts << box->text();
        return texts;
    }

    test::TemporaryFolder folder;
    QSettings settings{folder.path(QStringLiteral("settings.ini")), QSettings::IniFormat};
    ClipboardWatch clipboard;
    NoteLibrary library{folder.path(QStringLiteral("Notes")), settings};
};

TEST_F(QuittingTest, QuitsOnceEveryNoteIsSaved) {
    const QPointer<EditorWindow> first = openEditor(library), second = openEditor(library);
    const QStringList packages{library.packagePath(first->document().note().id),
                               library.packagePath(second->document().note().id)};
    int quits = 0;
    closeEditorsThenQuit({first, second}, [&] {
        for (const QString& package : packages)
            EXPECT_EQ(readNotePackage(package).note.title, QStringLiteral("Last edit"))
                << "quit before the note was saved";
        ++quits;
    });
    EXPECT_EQ(quits, 0) << "quit before the saves ended";
    ASSERT_TRUE(QTest::qWaitFor([&] { return quits == 1; }, 5000));
    EXPECT_TRUE(first.isNull() && second.isNull());
    QTest::qWait(50);
    EXPECT_EQ(quits, 1);
}

TEST_F(QuittingTest, ANoteThatCannotBeSavedKeepsItsWindowAndTheApplication) {
    folder.write(QStringLiteral("Unwritable"), "a file where the library should be");
    NoteLibrary unwritable(folder.path(QStringLiteral("Unwritable")), settings);
    const QPointer<EditorWindow> saved = openEditor(library), failing = openEditor(unwritable);
    int quits = 0;
    closeEditorsThenQuit({saved, failing}, [&] { ++quits; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved.isNull(); }, 5000));
    QTest::qWait(100);
    EXPECT_EQ(quits, 0);
    ASSERT_FALSE(failing.isNull());
    EXPECT_TRUE(failing->isVisible());
    EXPECT_EQ(messagesOn(failing),
              QStringList{QStringLiteral("Could not create the folder “Unwritable”.")});
    delete failing.data();
}

TEST(ShellCommands, StatusMenuStartsWithQuickCaptureAndAsksBeforeRunning) {
    QStringList ran;
    bool captureAllowed = false;
    ShellCommands commands(
        {[&](const QString& title) { ran.append(title); },
         [&](const QString& title) { return title != u"Capture and Explain…" || captureAllowed; },
         {},
         {}});
    EXPECT_EQ(commands.statusMenu()->actions().first()->text(), QStringLiteral("Quick Capture…"));

    QAction* explain = commands.action(QStringLiteral("Capture and Explain…"));
    commands.refreshEnabled();
    EXPECT_FALSE(explain->isEnabled());
    explain->trigger();
    EXPECT_TRUE(ran.isEmpty()) << "a disabled command ran through its shortcut";
    captureAllowed = true;
    commands.refreshEnabled();
    explain->trigger();
    EXPECT_EQ(ran, QStringList{QStringLiteral("Capture and Explain…")});
}

TEST(SingleInstance, ALaterLaunchHandsItsFilesToTheRunningOne) {
    SingleInstance running;
    QStringList received;
    running.listen([&](const QStringList& args) { received = args; });
    // The second launch is another process; here it blocks on its own thread while this one's
    // event loop serves the socket.
    QFuture<bool> handed = QtConcurrent::run([] {
        SingleInstance second;
        return second.handOver({QStringLiteral("--fixture"), QStringLiteral("shot.png")});
    });
    QTRY_VERIFY(handed.isFinished());
    EXPECT_TRUE(handed.result());
    QTRY_COMPARE(received.size(), 2);
    EXPECT_EQ(received[0], QStringLiteral("--fixture"));
    EXPECT_EQ(received[1], QDir::current().absoluteFilePath(QStringLiteral("shot.png")));
}

TEST(SingleInstance, WithoutARunningInstanceNothingIsHandedOver) {
    QLocalServer::removeServer(SingleInstance::socketName());
    SingleInstance alone;
    EXPECT_FALSE(alone.handOver({QStringLiteral("--fixture")}));
}

} // namespace
} // namespace lumbex
