#include "app/desktop/shell_commands.h"
#include "app/desktop/single_instance.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

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
