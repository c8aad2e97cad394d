#include "core/error.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "model/package_lock.h"
#include "model/package_saver.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <random>

namespace lumbex {
namespace {

constexpr int kKills = 200;
constexpr qint64 kTimeBudgetMs = 50'000;

// Kills a process that saves the package in a tight loop at random moments, hundreds of times:
// after every kill the package must read back complete.
TEST(SaveInterruptionTest, KilledSavesNeverLeaveAHalfPackageInPlace) {
    test::TemporaryFolder folder;
    const QString package = folder.path(QStringLiteral("Note.capturenote"));
    NotePackageContents start;
    start.note = CaptureNote::make();
    start.note.title = QStringLiteral("Start");
    appendImage(start, test::solidPng(40, 30), QStringLiteral("first"));
    createNotePackage(start, package);
    // The lock file stays once made; made here, it is there even when a kill lands before the
    // first save.
    { const PackageLock lock(package); }

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayUs(0, 15'000);

    QElapsedTimer clock;
    clock.start();
    int kills = 0;
    int interruptedSaves = 0;
    std::set<QString> titles;
    while (kills < kKills && clock.elapsed() < kTimeBudgetMs) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QStringLiteral(SAVE_LOOP_BINARY), {package});
        ASSERT_TRUE(child.waitForStarted());
        ASSERT_TRUE(child.waitForReadyRead(10'000)) << "the save loop did not start";
        ASSERT_EQ(child.readLine().trimmed(), "ready");
        QThread::usleep(static_cast<unsigned long>(delayUs(random)));
        ASSERT_EQ(child.state(), QProcess::Running) << "the save loop stopped on its own";
        child.kill();
        ASSERT_TRUE(child.waitForFinished());
        ++kills;

        NotePackageContents read;
        ASSERT_NO_THROW(read = readNotePackage(package)) << "after kill " << kills;
        titles.insert(read.note.title);
        QStringList leftovers = test::entriesIn(folder.path()).filter(QStringLiteral(".Note."));
        leftovers.removeOne(QStringLiteral(".Note.capturenote.lock"));
        for (const QString& name : leftovers)
            ASSERT_TRUE(name.startsWith(QStringLiteral(".Note.capturenote.saving-")) ||
                        name.startsWith(QStringLiteral(".Note.capturenote.replaced-")))
                << name.toStdString();
        interruptedSaves += leftovers.isEmpty() ? 0 : 1;
        sweepStaleSaves(package);
        ASSERT_EQ(test::entriesIn(folder.path()),
                  (QStringList{QStringLiteral(".Note.capturenote.lock"),
                               QStringLiteral("Note.capturenote")}));
    }
    EXPECT_GE(kills, kKills) << "ran out of time after " << clock.elapsed() << " ms";
    // Evidence that kills landed inside saves and that saves got through between them.
    EXPECT_GT(interruptedSaves, 0);
    EXPECT_GT(titles.size(), 1u);
}

} // namespace
} // namespace lumbex
