#include "app/deleted_ui/deleted_notes_controller.h"
#include "app/deleted_ui/deleted_notes_window.h"
#include "app/desktop/application_commands.h"
#include "app/desktop/closing_editors.h"
#include "app/desktop/desktop_app.h"
#include "app/desktop/quick_capture_note.h"
#include "app/desktop/shell_commands.h"
#include "app/desktop/single_instance.h"
#include "app/editor/clipboard_watch.h"
#include "app/editor/editor_window.h"
#include "app/library_ui/library_table_model.h"
#include "app/library_ui/notes_library_controller.h"
#include "core/error.h"
#include "model/note_document.h"
#include "model/note_library.h"
#include "model/note_package.h"
#include "platform/autostart_entry.h"
#include "support/event_waiting.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSemaphore>
#include <QSettings>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
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

// A menu as a person reads it: titles with their keys, "-" for a separator, "▸" for a submenu.
QStringList shown(const QMenu& menu) {
    QStringList rows;
    for (const QAction* action : menu.actions()) {
        // As a menu draws it: "&&" is one ampersand.
        const QString text =
            QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&"));
        if (action->isSeparator())
            rows.append(QStringLiteral("-"));
        else if (action->menu())
            rows.append(text + QStringLiteral(" ▸"));
        else if (action->shortcut().isEmpty())
            rows.append(text);
        else
            rows.append(text + u'\t' + action->shortcut().toString());
    }
    return rows;
}

QString keyed(const QString& title, const QKeySequence& keys) {
    return title + u'\t' + keys.toString();
}

bool isRegisteredIn(const CommandRegistry& registry, const QAction* action) {
    try {
        return registry.action(action->objectName()) == action;
    } catch (const LumbexError&) {
        return false;
    }
}

// Every menu of the application and of one editor window (its menu bar and toolbar; a note row's
// menus act on that note), by a name for messages.
std::vector<std::pair<QString, const QMenu*>> everyMenu(DesktopApp& app, EditorWindow& window) {
    std::vector<std::pair<QString, const QMenu*>> menus{
        {QStringLiteral("status"), app.commands().statusMenu()}};
    for (const QAction* action : window.menuBar()->actions())
        menus.emplace_back(action->text(), action->menu());
    const auto* toolbar = window.findChild<QToolBar*>(QStringLiteral("LumbexEditorToolbar"));
    for (const QToolButton* button : toolbar->findChildren<QToolButton*>())
        if (button->menu())
            menus.emplace_back(button->accessibleName(), button->menu());
    return menus;
}

class DesktopMenus : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = app_.openPractice();
        ASSERT_TRUE(window_);
    }

    DesktopApp app_;
    EditorWindow* window_ = nullptr;
};

TEST_F(DesktopMenus, EveryItemIsARegisteredCommand) {
    for (const auto& [name, menu] : everyMenu(app_, *window_)) {
        ASSERT_TRUE(menu) << name.toStdString();
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator() || action->menu())
                continue;
            EXPECT_TRUE(isRegisteredIn(app_.commands().registry(), action) ||
                        isRegisteredIn(window_->commands(), action))
                << name.toStdString() << ": " << action->text().toStdString();
        }
    }
}

TEST_F(DesktopMenus, TheStatusMenuAndTheEditorMenusShowEveryItemWithItsKeys) {
    const QStringList captures{
        keyed("Quick Capture…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N)),
        keyed("Capture and Explain…", QKeySequence(Qt::CTRL | Qt::Key_N)),
        "Capture Window…",
        "Capture Main Display",
        keyed("Capture Last Area", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R)),
        keyed("Quick Capture Last Area", QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_R)),
        "Capture After Delay…",
        "Scrolling Capture…",
        "Stitch Scroll Images…",
        "Cancel Capture",
        "-",
        "Record Screen…",
        "Pause or Resume Recording",
        "Stop Recording",
        "Recover Recording…",
    };
    const std::pair<QString, QStringList> expected[] = {
        {"Lumbex",
         {"About Lumbex", "Capture Shortcuts…", "Set Voice Shortcut…", "Capture Options…",
          "Show Saved Notes", "Recently Deleted…", "-",
          keyed("Quit Lumbex", QKeySequence(Qt::CTRL | Qt::Key_Q))}},
        {"&File",
         captures +
             QStringList{
                 "-", keyed("Open…", QKeySequence(Qt::CTRL | Qt::Key_O)),
                 keyed("New from Clipboard", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N)),
                 "Open Recent ▸", "-",
                 keyed("Import Image into Note…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)),
                 keyed("Save", QKeySequence::Save), "Rename Note…",
                 keyed("Export Image…", QKeySequence(Qt::CTRL | Qt::Key_E)), "Export Review PDF…",
                 "Sync & Mobile Review…", "Open Recording", "-", "Move Note to Recently Deleted…",
                 "-", keyed("Close", QKeySequence::Close)}},
        {"&Edit",
         {keyed("Undo", QKeySequence::Undo),
          keyed("Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)), "-",
          keyed("Cut", QKeySequence::Cut), keyed("Copy Image", QKeySequence::Copy),
          keyed("Paste Image", QKeySequence::Paste), "-",
          keyed("Copy Image", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C)),
          keyed("Copy for Agent", QKeySequence(Qt::CTRL | Qt::Key_Return)),
          keyed("Copy Color", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K)), "-",
          keyed("Extract Text…", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T)),
          "Extract Selected Text…", "Read QR Code…"}},
        {"&Annotation",
         {keyed("Add Location Note at Center", QKeySequence(Qt::CTRL | Qt::Key_L)),
          keyed("Edit Note Text", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L)),
          keyed("Select Next Annotation", QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_BracketRight)),
          keyed("Select Previous Annotation",
                QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_BracketLeft)),
          keyed("Duplicate", QKeySequence(Qt::CTRL | Qt::Key_D)), "Delete Annotation",
          "Restore Full Image"}},
        {"&View",
         {keyed("Zoom In", QKeySequence::ZoomIn), keyed("Zoom Out", QKeySequence::ZoomOut),
          keyed("Actual Pixels", QKeySequence(Qt::CTRL | Qt::Key_0)),
          keyed("Fit Image", QKeySequence(Qt::CTRL | Qt::Key_9)),
          keyed("Zoom to Selection", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2)), "Pixel Loupe",
          keyed("Pin Image", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)), "-",
          "Show Inspector"}},
        {"Help", {"Getting Started", "Try a Sample", "Privacy"}},
    };
    const QList<QAction*> bar = window_->menuBar()->actions();
    ASSERT_EQ(bar.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < bar.size(); ++i) {
        EXPECT_EQ(bar[i]->text(), expected[i].first);
        EXPECT_EQ(shown(*bar[i]->menu()), expected[i].second) << expected[i].first.toStdString();
    }

    const QMenu& status = *app_.commands().statusMenu();
    QStringList titles;
    for (const QAction* action : status.actions()) {
        titles.append(action->isSeparator() ? QStringLiteral("-") : action->text());
        // The same actions carry keys for the menu bar; the status menu shows none.
        EXPECT_TRUE(action->isSeparator() || !action->isShortcutVisibleInContextMenu());
    }
    QStringList captureTitles;
    for (const QString& row : captures)
        captureTitles.append(row.section(u'\t', 0, 0));
    const QStringList rest{"-",
                           "Open…",
                           "Show Saved Notes",
                           "Recently Deleted…",
                           "-",
                           "Capture Shortcuts…",
                           "Capture Options…",
                           "Set Voice Shortcut…",
                           "Open at Login",
                           "Getting Started",
                           "About Lumbex",
                           "-",
                           "Quit Lumbex"};
    EXPECT_EQ(titles, captureTitles + rest);
}

TEST_F(DesktopMenus, OpenAtLoginWritesAndRemovesTheAutostartEntryAndReadsItBack) {
    QAction* item = app_.commands().registry().action(QStringLiteral("app.openAtLogin"));
    const QString entry = AutostartEntry::path();
    // The test's own settings folder, never the person's.
    ASSERT_TRUE(entry.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME") + u'/'));
    app_.commands().refreshEnabled();
    ASSERT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());

    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_TRUE(test::fileBytes(entry).contains(
        "\nExec=" + QCoreApplication::applicationFilePath().toUtf8() + "\n"));
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_FALSE(QFile::exists(entry));

    // Changed elsewhere (another instance, the desktop's own settings): the menu shows the file.
    AutostartEntry(QStringLiteral("/usr/bin/lumbex")).setEnabled(true);
    emit app_.commands().statusMenu()->aboutToShow();
    EXPECT_TRUE(item->isChecked());
    QFile::remove(entry);
    emit app_.commands().statusMenu()->aboutToShow();
    EXPECT_FALSE(item->isChecked());
}

TEST_F(DesktopMenus, CaptureCommandsFollowTheCaptureStateAndUnbuiltFeaturesStayDisabled) {
    // No capture under way and none made yet.
    const std::pair<const char*, bool> rows[] = {
        {"capture.explain", true},   {"capture.quick", true},
        {"capture.window", true},    {"capture.afterDelay", true},
        {"capture.scrolling", true}, {"capture.options", true},
        {"capture.lastArea", false}, {"capture.quickLastArea", false},
        {"capture.cancel", false},   {"recording.record", true},
        {"recording.stop", false},   {"recording.pauseResume", false},
        {"recording.recover", true}, {"library.show", true},
        {"shortcuts.capture", true}, {"file.open", true},
        {"help.trySample", true},    {"app.quit", true},
        {"deleted.show", true},      {"shortcuts.voice", true},
    };
    app_.commands().refreshEnabled();
    for (const auto& [id, enabled] : rows)
        EXPECT_EQ(app_.commands().registry().action(QString::fromLatin1(id))->isEnabled(), enabled)
            << id;
}

// A Wayland session reads the screen through the portal but keeps windows private: the item says
// so instead of failing later.
TEST(DesktopMenusOnWayland, WindowCaptureIsOffAndSaysItNeedsX11) {
    qputenv("LUMBEX_SCREEN", "portal");
    DesktopApp app;
    qunsetenv("LUMBEX_SCREEN");
    app.commands().refreshEnabled();
    const QAction* window = app.commands().registry().action(QStringLiteral("capture.window"));
    EXPECT_FALSE(window->isEnabled());
    EXPECT_EQ(window->text(), u"Capture Window (needs an X11 session)");
    for (const char* id : {"capture.explain", "capture.quick", "capture.display"})
        EXPECT_TRUE(app.commands().registry().action(QString::fromLatin1(id))->isEnabled()) << id;
}

// Where the portal lets the person choose a window in its own dialog, the item is on again.
TEST(WindowCaptureItem, FollowsTheScreensCapabilities) {
    using Can = ScreenCapability;
    struct Row {
        ScreenCapabilities can;
        QString label;
        bool enabled;
    } rows[] = {
        {Can::ReadScreen | Can::ReadWindows | Can::RecordScreen, "Capture Window…", true},
        {Can::ReadScreen | Can::RecordScreen, "Capture Window (needs an X11 session)", false},
        {Can::ReadScreen, "Capture Window (needs an X11 session)", false},
        {Can::ReadScreen | Can::RecordScreen | Can::ChooseWindow, "Capture Window…", true},
        // Nothing readable: the capture itself says why.
        {{}, "Capture Window…", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.can));
        const WindowCaptureItem item = windowCaptureItem(row.can);
        EXPECT_EQ(item.label, row.label);
        EXPECT_EQ(item.enabled, row.enabled);
    }
}

// The application's handlers are set after the window was made: its menu must not wait for some
// later change to offer the commands that need them.
TEST_F(DesktopMenus, AnOpenedPackageOffersTheApplicationsCommandsAtOnce) {
    ASSERT_TRUE(
        test::processEventsUntil([&] { return !window_->document().filePath().isEmpty(); }, 10000));
    const test::TemporaryFolder copies;
    const QString copy = copies.path(QStringLiteral("Copy.capturenote"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"),
                                {QStringLiteral("-r"), window_->document().filePath(), copy}),
              0);
    EditorWindow* opened = app_.openPackage(copy);
    ASSERT_NE(opened, nullptr);
    ASSERT_NE(opened, window_);
    EXPECT_TRUE(opened->commands().action(QStringLiteral("editor.deleteNote"))->isEnabled());
    opened->close();
}

TEST_F(DesktopMenus, ASavedNoteCanBeMovedToRecentlyDeleted) {
    // The practice note's first save runs on the document's writer.
    QElapsedTimer saving;
    saving.start();
    while (window_->document().filePath().isEmpty() && saving.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    window_->commands().refresh();
    EXPECT_TRUE(window_->commands().action(QStringLiteral("editor.deleteNote"))->isEnabled());
    app_.commands().registry().action(QStringLiteral("deleted.show"))->trigger();
    ASSERT_TRUE(app_.deletedNotes().window());
    EXPECT_TRUE(app_.deletedNotes().window()->isVisible());
    // A package inside Recently Deleted is not opened for editing: the window shows instead.
    EXPECT_EQ(
        app_.openPackage(app_.deletedNotes().store().root() + QStringLiteral("/X.capturenote")),
        nullptr);
}

TEST_F(DesktopMenus, MovingTheOpenNoteClosesItsWindowAndMovesThePackage) {
    QElapsedTimer clock;
    clock.start();
    while (window_->document().filePath().isEmpty() && clock.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const QString package = window_->document().filePath();
    const QPointer<EditorWindow> editor(window_);
    // Answers the question the way a person choosing "Move to Recently Deleted" does.
    QString asked;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            for (QAbstractButton* button : box->buttons())
                if (button->text() == u"Move to Recently Deleted") {
                    asked = box->text();
                    button->click();
                }
    });
    answer.start(20);
    editor->commands().refresh();
    editor->commands().action(QStringLiteral("editor.deleteNote"))->trigger();
    clock.restart();
    while ((editor || QFileInfo::exists(package) || app_.deletedNotes().runningJobs() > 0) &&
           clock.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(asked, QStringLiteral("Move “Sample · Project Cards” to Recently Deleted?"));
    EXPECT_FALSE(editor);
    EXPECT_FALSE(QFileInfo::exists(package));
    const auto entries = app_.deletedNotes().store().load();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_TRUE(entries[0].localArchived);
    EXPECT_EQ(entries[0].originalURL, package);
    window_ = nullptr;
}

QList<NotesLibraryController*> libraryWindows() {
    QList<NotesLibraryController*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<NotesLibraryController*>(widget))
            windows.append(window);
    return windows;
}

TEST_F(DesktopMenus, ShowSavedNotesOpensOneWindowThatListsTheOpenNote) {
    QAction* show = app_.commands().registry().action(QStringLiteral("library.show"));
    show->trigger();
    ASSERT_EQ(libraryWindows().size(), 1);
    NotesLibraryController& window = *libraryWindows().first();
    EXPECT_TRUE(window.isVisible());
    // The sample note is saved into the library at once (beside those of earlier tests); its
    // saved state reaches the list.
    const auto listed = [&] {
        const QString path = window_->document().filePath();
        return !window.isLoading() && !path.isEmpty() && window.model().rowOf(path) >= 0;
    };
    ASSERT_TRUE(test::processEventsUntil(listed, 20000));
    EXPECT_EQ(window.model().entry(window.model().rowOf(window_->document().filePath()))->title,
              window_->document().note().title);
    window.close();
    show->trigger();
    EXPECT_EQ(libraryWindows().size(), 1);
    EXPECT_TRUE(window.isVisible());
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
