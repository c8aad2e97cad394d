#include "core/files.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "support/qt_printers.h"
#include "support/syncthing_pair.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

// Computer A publishes a note into a Syncthing folder; computer B, with its own Syncthing and its
// own Lumbex folders, imports it once its copy is complete; B's pointer is then edited and synced
// back, and A's next sync stops without writing anything.
namespace lumbex {
namespace {

constexpr int kTimeoutMs = 120'000;

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

bool eventually(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(200);
    }
    return condition();
}

// What Lumbex placed in a copy of the shared folder, without Syncthing's own entries.
std::map<QString, QByteArray> publishedFiles(const QString& folder) {
    std::map<QString, QByteArray> out;
    for (const auto& [name, bytes] : test::treeOf(folder))
        if (name.startsWith("Notes/") || name.startsWith("Reviews/"))
            out[name] = bytes;
    return out;
}

class TwoComputersSyncTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;

    Outcome lumbex(const QString& computer, const QStringList& args) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", folder.path(computer + "/home"));
        env.insert("XDG_DATA_HOME", folder.path(computer + "/data"));
        env.insert("XDG_CONFIG_HOME", folder.path(computer + "/config"));
        env.remove("LUMBEX_KILL_AFTER_PLACED");
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMBEX_BINARY), args);
        process.waitForFinished(120000);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
};

TEST_F(TwoComputersSyncTest, BImportsWhatAPublishedAndAStopsAfterBEditsThePointer) {
    const QString unavailable = test::SyncthingPair::unavailableReason();
    if (!unavailable.isEmpty())
        GTEST_SKIP() << unavailable.toStdString();
    test::SyncthingPair pair(folder.path("syncthing"));
    const QString failure = pair.start();
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_TRUE(pair.waitConnected(kTimeoutMs));

    NotePackageContents contents;
    contents.note = CaptureNote::make();
    contents.note.title = "Checkout button";
    appendImage(contents, test::solidPng(120, 80, Qt::darkCyan), "before");
    appendImage(contents, test::solidPng(60, 40, Qt::red), "after");
    const QString package = folder.path("A/note.capturenote");
    makeFolders(folder.path("A"));
    createNotePackage(contents, package);

    Outcome r = lumbex("A", {"sync", "connect", package, "--folder", pair.a.folder});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = lumbex("A", {"sync", "now", package});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString identifier = r.out.trimmed();
    const QString notePath = "Notes/" + idString(contents.note.id) + ".capturenote";
    const QString manifest = notePath + "/revisions/" + identifier + ".json";

    ASSERT_TRUE(pair.waitInSync(kTimeoutMs));
    ASSERT_TRUE(
        eventually([&] { return publishedFiles(pair.b.folder) == publishedFiles(pair.a.folder); }));
    r = lumbex("B", {"sync", "import", pair.b.folder + "/" + manifest});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const NotePackageContents imported = readNotePackage(r.out.trimmed());
    EXPECT_NE(imported.note.id, contents.note.id);
    EXPECT_EQ(imported.note.title, contents.note.title);
    EXPECT_EQ(imported.originals, contents.originals);

    const QString pointerB = pair.b.folder + "/" + notePath + "/note.json";
    QByteArray edited = test::fileBytes(pointerB);
    edited.replace("Checkout button", "Checkout button (edited on B)");
    writeFileAtomically(pointerB, edited);
    ASSERT_TRUE(pair.waitInSync(kTimeoutMs));
    const QString pointerA = pair.a.folder + "/" + notePath + "/note.json";
    ASSERT_TRUE(eventually([&] { return test::fileBytes(pointerA) == edited; }));

    contents.note.revision = 1;
    contents.note.general = "Edited on A";
    removePath(package);
    createNotePackage(contents, package);
    const auto before = publishedFiles(pair.a.folder);
    r = lumbex("A", {"sync", "now", package});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(),
              "The cloud note was changed outside this computer. Automatic sync stopped; both "
              "copies have been kept. Import it as a new local note to review it.");
    EXPECT_EQ(publishedFiles(pair.a.folder), before);
    pair.stop();
}

} // namespace
} // namespace lumbex
