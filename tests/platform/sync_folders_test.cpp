#include "core/files.h"
#include "platform/sync_folders.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

TEST(MountInfo, ParsesFieldsAndEscapes) {
    const QByteArray text =
        "22 1 0:21 / /proc rw,nosuid shared:12 - proc proc rw\n"
        "30 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "41 30 0:40 / /mnt/my\\040share rw master:3 shared:4 - cifs //server/share rw,vers=3\n"
        "42 30 0:41 / /home/a/remote rw,nosuid - fuse.sshfs a@host:/srv rw\n"
        "broken line\n"
        "\n";
    const std::vector<MountEntry> mounts = parseMountInfo(text);
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[0], (MountEntry{"/proc", "proc", "proc"}));
    EXPECT_EQ(mounts[2], (MountEntry{"/mnt/my share", "cifs", "//server/share"}));
    EXPECT_EQ(mounts[3], (MountEntry{"/home/a/remote", "fuse.sshfs", "a@host:/srv"}));
}

TEST(MountInfo, NetworkTypesAreRecognised) {
    const std::vector<std::pair<const char*, bool>> rows = {
        {"nfs", true},        {"nfs4", true},        {"cifs", true},   {"smb3", true},
        {"fuse.sshfs", true}, {"fuse.rclone", true}, {"davfs", true},  {"ext4", false},
        {"tmpfs", false},     {"fuse", false},       {"btrfs", false}, {"overlay", false}};
    for (const auto& [type, network] : rows)
        EXPECT_EQ(isNetworkMount({"/m", QString::fromUtf8(type), "x"}), network) << type;
}

class SyncFolderTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString canonical(const QString& name) const { return QDir(folder.path(name)).canonicalPath(); }
};

TEST_F(SyncFolderTest, MarkersAreFoundUpwards) {
    makeFolders(folder.path("st/a/b"));
    makeFolders(folder.path("st/.stfolder"));
    makeFolders(folder.path("nc/x"));
    folder.write("nc/.sync_3a8f21.db", "journal");
    makeFolders(folder.path("db/y"));
    folder.write("db/.dropbox", "{}");
    makeFolders(folder.path("plain/z"));

    const auto st = recognizeSyncFolder(folder.path("st/a/b"), {});
    ASSERT_TRUE(st);
    EXPECT_EQ(st->client, SyncClient::Syncthing);
    EXPECT_EQ(st->root, canonical("st"));
    const auto nc = recognizeSyncFolder(folder.path("nc/x"), {});
    ASSERT_TRUE(nc);
    EXPECT_EQ(nc->client, SyncClient::Nextcloud);
    EXPECT_EQ(nc->account, "Nextcloud:.sync_3a8f21.db");
    const auto db = recognizeSyncFolder(folder.path("db/y"), {});
    ASSERT_TRUE(db);
    EXPECT_EQ(db->client, SyncClient::Dropbox);
    EXPECT_FALSE(recognizeSyncFolder(folder.path("plain/z"), {}));
    EXPECT_FALSE(recognizeSyncFolder(folder.path("missing"), {}));
}

TEST_F(SyncFolderTest, NetworkMountsHoldingTheFolderCount) {
    makeFolders(folder.path("net/inner"));
    const QString root = canonical("net");
    const std::vector<MountEntry> mounts = {{"/", "ext4", "/dev/sda1"},
                                            {root, "nfs4", "server:/export"}};
    const auto found = recognizeSyncFolder(folder.path("net/inner"), mounts);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->client, SyncClient::NetworkDrive);
    EXPECT_EQ(found->root, root);
    EXPECT_EQ(found->account, "nfs4:server:/export");
    // A local mount below the network one decides for what is inside it.
    const std::vector<MountEntry> nested = {{root, "nfs4", "server:/export"},
                                            {root + "/inner", "tmpfs", "tmpfs"}};
    EXPECT_FALSE(recognizeSyncFolder(folder.path("net/inner"), nested));
}

TEST_F(SyncFolderTest, ConflictCopiesAndPlaceholdersAreSeen) {
    makeFolders(folder.path("Notes/A.capturenote/revisions"));
    folder.write("Notes/A.capturenote/note.json", "{}");
    folder.write("Reviews.pdf", "pdf");
    EXPECT_EQ(syncItemState(folder.path("Notes/A.capturenote")), SyncItemState::Current);
    EXPECT_EQ(syncItemState(folder.path("Reviews.pdf")), SyncItemState::Current);

    folder.write("Notes/A.capturenote/note.sync-conflict-20240501-134510-ABCDEFG.json", "{}");
    EXPECT_EQ(syncItemState(folder.path("Notes/A.capturenote")), SyncItemState::Conflicted);

    folder.write("Reviews (conflicted copy 2024-05-01 134510).pdf", "pdf");
    EXPECT_EQ(syncItemState(folder.path("Reviews.pdf")), SyncItemState::Conflicted);

    makeFolders(folder.path("Notes/B.capturenote/assets"));
    folder.write("Notes/B.capturenote/assets/x.png.nextcloud", "");
    EXPECT_EQ(syncItemState(folder.path("Notes/B.capturenote")), SyncItemState::NotDownloaded);

    folder.write(".syncthing.movie.mp4.tmp", "");
    EXPECT_EQ(syncItemState(folder.path("movie.mp4")), SyncItemState::NotDownloaded);
    EXPECT_EQ(syncItemState(folder.path("other.mp4")), SyncItemState::Current);
}

} // namespace
} // namespace lumbex
