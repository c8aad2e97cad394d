#include "app/desktop/desktop_app.h"
#include "app/desktop/recent_notes.h"
#include "app/desktop/shell_commands.h"
#include "app/desktop/single_instance.h"
#include "app/editor/editor_window.h"
#include "core/error.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

QString makePackage(const QString& folder, const QString& name, const QByteArray& noteJson) {
    const QString path = QDir(folder).filePath(name + QStringLiteral(".capturenote"));
    QDir().mkpath(path);
    QFile file(QDir(path).filePath(QStringLiteral("note.json")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(noteJson);
    return path;
}

TEST(RecentNotes, NewestFirstTitledFromTheNoteAndOnlyExistingPackagesUpToTheLimit) {
    test::TemporaryFolder folder;
    QSettings settings(folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat);
    RecentNotes recents(settings);
    const QString first =
        makePackage(folder.path(), QStringLiteral("a"), R"({"title":"Login bug"})");
    const QString second = makePackage(folder.path(), QStringLiteral("b"), "not json");
    const QString gone = makePackage(folder.path(), QStringLiteral("c"), R"({"title":"Gone"})");
    recents.add(first);
    recents.add(gone);
    recents.add(second);
    recents.add(first);
    QDir(gone).removeRecursively();

    const auto entries = recents.entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path, first);
    EXPECT_EQ(entries[0].title, QStringLiteral("Login bug"));
    EXPECT_EQ(entries[1].path, second);
    EXPECT_EQ(entries[1].title, QStringLiteral("b"));

    for (int i = 0; i < 15; ++i)
        recents.add(makePackage(folder.path(), QString::number(i), "{}"));
    EXPECT_EQ(int(recents.entries().size()), RecentNotes::kMenuLimit) << "the menu shows at most";
    EXPECT_EQ(recents.entries().front().title, QStringLiteral("14"));
}

// A menu as a person reads it: titles with their keys, "-" for a separator, "▸" for a submenu.
QStringList shown(const QMenu& menu) {
    QStringList rows;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator())
            rows.append(QStringLiteral("-"));
        else if (action->menu())
            rows.append(action->text() + QStringLiteral(" ▸"));
        else if (action->shortcut().isEmpty())
            rows.append(action->text());
        else
            rows.append(action->text() + u'\t' + action->shortcut().toString());
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
          "Show Saved Notes", "-", keyed("Quit Lumbex", QKeySequence(Qt::CTRL | Qt::Key_Q))}},
        {"&File", captures + QStringList{"-", keyed("Open…", QKeySequence(Qt::CTRL | Qt::Key_O)),
                                         keyed("New from Clipboard",
                                               QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N)),
                                         "Open Recent ▸", "-",
                                         keyed("Import Image into Note…",
                                               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)),
                                         keyed("Save", QKeySequence::Save), "Rename Note…",
                                         keyed("Export Image…", QKeySequence(Qt::CTRL | Qt::Key_E)),
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
                           "-",
                           "Capture Shortcuts…",
                           "Capture Options…",
                           "Set Voice Shortcut…",
                           "Getting Started",
                           "About Lumbex",
                           "-",
                           "Quit Lumbex"};
    EXPECT_EQ(titles, captureTitles + rest);
}

TEST_F(DesktopMenus, CaptureCommandsFollowTheCaptureStateAndUnbuiltFeaturesStayDisabled) {
    // No capture under way and none made yet.
    const std::pair<const char*, bool> rows[] = {
        {"capture.explain", true},    {"capture.quick", true},
        {"capture.window", true},     {"capture.afterDelay", true},
        {"capture.scrolling", true},  {"capture.options", true},
        {"capture.lastArea", false},  {"capture.quickLastArea", false},
        {"capture.cancel", false},    {"recording.record", false},
        {"recording.stop", false},    {"library.show", false},
        {"shortcuts.capture", false}, {"file.open", true},
        {"help.trySample", true},     {"app.quit", true},
    };
    app_.commands().refreshEnabled();
    for (const auto& [id, enabled] : rows)
        EXPECT_EQ(app_.commands().registry().action(QString::fromLatin1(id))->isEnabled(), enabled)
            << id;
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
