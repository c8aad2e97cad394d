#include "core/error.h"
#include "core/files.h"
#include "platform/sync_account.h"
#include "platform/syncthing_upload_status.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// A Syncthing that keeps the folders under `root` with the device ID `device`, or is silent.
class StandInSyncthing : public SyncUploadStatus {
public:
    QString root;
    QString device = QStringLiteral("AAAAAAA-BBBBBBB");
    bool silent = false;
    QStringList asked;

    std::optional<QString> account(const QString& path) override {
        asked << path;
        if (!path.startsWith(root))
            return std::nullopt;
        if (silent)
            throw LumbexError(QStringLiteral("Syncthing is not answering. Start it, then retry."));
        return device;
    }
    std::optional<SyncUpload> upload(const QStringList&) override { return std::nullopt; }
    bool requestDownload(const QStringList&) override { return false; }
};

class SyncAccountTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    StandInSyncthing syncthing;

    QString writeConfig(const QString& name, const QByteArray& text) {
        const QString path = folder.path(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }
};

TEST_F(SyncAccountTest, ASyncthingFolderIsSyncedAsItsDevice) {
    makeFolders(folder.path("st/.stfolder"));
    makeFolders(folder.path("st/Notes"));
    syncthing.root = folder.path("st");
    EXPECT_EQ(syncAccount(folder.path("st/Notes"), &syncthing, {}),
              QStringLiteral("Syncthing:AAAAAAA-BBBBBBB"));
    // Asked about the top of the shared folder, whichever folder inside it was chosen.
    EXPECT_EQ(syncthing.asked.last(), folder.path("st"));
    syncthing.device = QStringLiteral("CCCCCCC-DDDDDDD");
    EXPECT_EQ(syncAccount(folder.path("st"), &syncthing, {}),
              QStringLiteral("Syncthing:CCCCCCC-DDDDDDD"));
    syncthing.silent = true;
    try {
        syncAccount(folder.path("st"), &syncthing, {});
        ADD_FAILURE() << "a silent Syncthing gave an account";
    } catch (const LumbexError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Syncthing is not answering. Start it, then retry."));
    }
}

TEST_F(SyncAccountTest, AFolderNoRunningSyncthingKnowsIsNamedByItsPlace) {
    makeFolders(folder.path("st/.stfolder"));
    syncthing.root = folder.path("elsewhere");
    const QString canonical = QFileInfo(folder.path("st")).canonicalFilePath();
    EXPECT_EQ(syncAccount(folder.path("st"), &syncthing, {}),
              QStringLiteral("Syncthing:") + canonical);
    EXPECT_EQ(syncAccount(folder.path("st"), nullptr, {}),
              QStringLiteral("Syncthing:") + canonical);
    makeFolders(folder.path("plain"));
    EXPECT_EQ(syncAccount(folder.path("plain"), &syncthing, {}), std::nullopt);
}

TEST_F(SyncAccountTest, ANextcloudFolderIsSyncedAsItsAccount) {
    makeFolders(folder.path("nc/Notes"));
    writeConfig("nc/.sync_0123abcd.db", "journal");
    const QString nc = QFileInfo(folder.path("nc")).canonicalFilePath();
    const QString config = writeConfig(
        "nextcloud.cfg", "[General]\nclientVersion=3.7.3\n\n[Accounts]\n"
                         "0\\Folders\\1\\localPath=" +
                             folder.path("other").toUtf8() +
                             "/\n"
                             "0\\url=https://first.example.org\n0\\dav_user=carol\n"
                             "1\\FoldersWithPlaceholders\\1\\localPath=" +
                             nc.toUtf8() +
                             "/\n"
                             "1\\url=https://cloud.example.com/nextcloud\n1\\dav_user=alice\n"
                             "version=2\n");
    EXPECT_EQ(nextcloudAccount(folder.path("nc/Notes"), {config}),
              QStringLiteral("alice@cloud.example.com"));
    EXPECT_EQ(
        syncAccount(folder.path("nc/Notes"), &syncthing, {folder.path("missing.cfg"), config}),
        QStringLiteral("Nextcloud:alice@cloud.example.com"));
    // Another person signed in for the folder: another account.
    const QString other =
        writeConfig("owncloud.cfg", "[Accounts]\n0\\Folders\\1\\localPath=" + nc.toUtf8() +
                                        "\n0\\url=https://cloud.example.com\n0\\http_user=bob\n");
    EXPECT_EQ(syncAccount(folder.path("nc"), nullptr, {other}),
              QStringLiteral("Nextcloud:bob@cloud.example.com"));
    // Without a configuration naming it, the journal names the folder's account.
    EXPECT_EQ(syncAccount(folder.path("nc"), nullptr, {}),
              QStringLiteral("Nextcloud:.sync_0123abcd.db"));
    EXPECT_EQ(nextcloudAccount(folder.path("other"), {}), std::nullopt);
}

} // namespace
} // namespace lumbex
