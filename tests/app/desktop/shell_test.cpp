#include "app/desktop/recent_notes.h"
#include "app/desktop/shell_commands.h"
#include "app/desktop/single_instance.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
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

TEST(RecentNotes, NewestFirstTitledFromTheNoteAndOnlyExistingPackages) {
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
}

TEST(RecentNotes, TheMenuShowsAtMostTwelve) {
    test::TemporaryFolder folder;
    QSettings settings(folder.path() + QStringLiteral("/settings.ini"), QSettings::IniFormat);
    RecentNotes recents(settings);
    for (int i = 0; i < 15; ++i)
        recents.add(makePackage(folder.path(), QString::number(i), "{}"));
    const auto entries = recents.entries();
    ASSERT_EQ(int(entries.size()), RecentNotes::kMenuLimit);
    EXPECT_EQ(entries.front().title, QStringLiteral("14"));
}

TEST(ShellCommands, StatusMenuRunsFromQuickCaptureToQuitAndAsksBeforeRunning) {
    QStringList ran;
    bool captureAllowed = false;
    ShellCommands commands(
        {[&](const QString& title) { ran.append(title); },
         [&](const QString& title) { return title != u"Capture and Explain…" || captureAllowed; },
         {},
         {}});
    QStringList shown;
    for (QAction* action : commands.statusMenu()->actions())
        shown.append(action->isSeparator() ? QString() : action->text());
    EXPECT_EQ(shown.first(), QStringLiteral("Quick Capture…"));
    EXPECT_EQ(shown.last(), QStringLiteral("Quit Lumbex"));

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

TEST(ShellCommands, EditorMenuBarsGainTheApplicationMenus) {
    ShellCommands commands(
        {[](const QString&) {}, {}, [] { return std::vector<std::pair<QString, QString>>{}; }, {}});
    QMenuBar bar;
    QMenu* file = bar.addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("Save"));
    commands.install(&bar);
    QStringList menus;
    for (QAction* action : bar.actions())
        menus.append(action->text());
    EXPECT_EQ(menus, (QStringList{QStringLiteral("Lumbex"), QStringLiteral("&File"),
                                  QStringLiteral("Help")}));
    EXPECT_EQ(file->actions().first()->text(), QStringLiteral("Quick Capture…"));
    EXPECT_EQ(file->actions().last()->text(), QStringLiteral("Save"));
    EXPECT_EQ(commands.action(QStringLiteral("Capture and Explain…"))->shortcut(),
              QKeySequence(Qt::CTRL | Qt::Key_N));
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
