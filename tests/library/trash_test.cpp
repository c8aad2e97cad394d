#include "deleted_fixtures.h"
#include "library/trash.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

const QDateTime kWhen(QDate(2026, 12, 7), QTime(9, 5, 3));

class TrashTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString home = folder.path(QStringLiteral("data/Trash"));
    FreedesktopTrash trash{home, [] { return kWhen; }};

    QString makePackage(const QString& name) const {
        const QString path = folder.path(name);
        QDir().mkpath(path + QStringLiteral("/assets"));
        folder.write(name + QStringLiteral("/note.json"), "{}");
        return path;
    }
};

TEST_F(TrashTest, AFolderGoesToTheHomeTrashWithItsInfo) {
    const QString package = makePackage(QStringLiteral("My Note %1.capturenote"));
    const QString trashed = trash.moveToTrash(package);
    EXPECT_EQ(trashed, home + QStringLiteral("/files/My Note %1.capturenote"));
    EXPECT_EQ(entryKind(package), EntryKind::Missing);
    EXPECT_EQ(test::fileBytes(trashed + QStringLiteral("/note.json")), "{}");
    const QByteArray expected =
        "[Trash Info]\nPath=" + QFile::encodeName(folder.path()).toPercentEncoding("/") +
        "/My%20Note%20%251.capturenote\nDeletionDate=2026-12-07T09:05:03\n";
    EXPECT_EQ(test::fileBytes(home + QStringLiteral("/info/My Note %1.capturenote.trashinfo")),
              expected);
}

TEST_F(TrashTest, ASecondItemOfTheSameNameGetsItsOwnName) {
    trash.moveToTrash(makePackage(QStringLiteral("Note.capturenote")));
    const QString second = trash.moveToTrash(makePackage(QStringLiteral("Note.capturenote")));
    EXPECT_EQ(second, home + QStringLiteral("/files/Note.capturenote.2"));
    EXPECT_EQ(entryKind(home + QStringLiteral("/info/Note.capturenote.2.trashinfo")),
              EntryKind::File);
    EXPECT_EQ(entryKind(home + QStringLiteral("/files/Note.capturenote")), EntryKind::Folder);
}

TEST_F(TrashTest, AnOrphanInfoFileStillReservesItsName) {
    QDir().mkpath(home + QStringLiteral("/info"));
    QFile info(home + QStringLiteral("/info/N.capturenote.trashinfo"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.close();
    EXPECT_EQ(trash.moveToTrash(makePackage(QStringLiteral("N.capturenote"))),
              home + QStringLiteral("/files/N.capturenote.2"));
}

TEST_F(TrashTest, AMissingItemLeavesNoInfoBehind) {
    EXPECT_NE(test::thrownMessage(
                  [&] { trash.moveToTrash(folder.path(QStringLiteral("gone.capturenote"))); }),
              "");
    EXPECT_TRUE(QDir(home + QStringLiteral("/info")).isEmpty());
}

// An item on another file system goes to that file system's own trash, named by the user.
TEST_F(TrashTest, AnItemOnAnotherFileSystemUsesTheTopFolderTrash) {
    struct stat here {
    }, shm{};
    if (::stat(QFile::encodeName(folder.path()).constData(), &here) != 0 ||
        ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    QTemporaryDir other(QStringLiteral("/dev/shm/lumbex-trash-XXXXXX"));
    const QString package = other.path() + QStringLiteral("/Far.capturenote");
    QDir().mkpath(package);
    const QString own = QStringLiteral("/dev/shm/.Trash-") + QString::number(::getuid());
    const QString trashed = trash.moveToTrash(package);
    EXPECT_EQ(trashed, own + QStringLiteral("/files/Far.capturenote"));
    const QString infoPath = own + QStringLiteral("/info/Far.capturenote.trashinfo");
    // Relative to the top folder of that file system.
    EXPECT_EQ(test::fileBytes(infoPath),
              "[Trash Info]\nPath=" +
                  QFile::encodeName(other.path().mid(QStringLiteral("/dev/shm/").size())) +
                  "/Far.capturenote\nDeletionDate=2026-12-07T09:05:03\n");
    QDir(trashed).removeRecursively();
    QFile::remove(infoPath);
}

} // namespace
} // namespace lumbex
