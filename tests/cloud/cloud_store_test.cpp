#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "cloud/cloud_store.h"
#include "cloud_fixtures.h"
#include "core/json_read.h"
#include "core/sha256.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

using test::expectMessage;

QString msg(const char* text) {
    return QString::fromUtf8(text);
}

class CloudStoreTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    CloudSnapshotInput input = test::noteWithTwoImages();

    void SetUp() override {
        makeFolders(folder.path("sync/.stfolder"));
        CloudVerification::shared().forget();
    }
    QString sync() const { return folder.path("sync"); }
    PreparedCloudRevision prepare() const {
        return PreparedCloudRevision::prepare(input, false, folder.path("queue"),
                                              test::fakeReaderWriters());
    }
    QString pointer() const {
        return sync() + "/" + CloudRevision::noteFolderPath(input.note.id) + "/note.json";
    }
    // Every entry with its bytes, and its inode and modification time.
    std::map<QString, QString> snapshot() const {
        std::map<QString, QString> out;
        for (const auto& [name, bytes] : test::treeOf(sync())) {
            struct stat st {};
            ::lstat((sync() + "/" + name).toUtf8().constData(), &st);
            out[name] = sha256Hex(bytes) + QString::number(st.st_ino) + "/" +
                        QString::number(st.st_mtim.tv_nsec) + QString::number(st.st_mtim.tv_sec);
        }
        return out;
    }
};

TEST_F(CloudStoreTest, FirstPublicationPlacesEveryFileThenThePointer) {
    const PreparedCloudRevision prepared = prepare();
    const CloudReceipt receipt = CloudStore::publish(prepared, sync(), std::nullopt);
    EXPECT_EQ(receipt.revision, prepared.revision);
    EXPECT_EQ(receipt.manifest, prepared.manifest);
    for (const CloudFile& file : receipt.requiredFiles())
        EXPECT_NO_THROW(CloudFiles::verify(sync(), file)) << file.path.toStdString();
    EXPECT_EQ(test::fileBytes(pointer()),
              test::fileBytes(prepared.directory + "/" + prepared.revision.metadata));
    for (const auto& [name, bytes] : test::treeOf(sync()))
        EXPECT_FALSE(name.contains(".Lumbex-")) << name.toStdString();
    const CloudUploadState state = CloudStore::status(sync(), receipt);
    EXPECT_EQ(state.kind, CloudUploadState::Kind::Saved);
    EXPECT_EQ(state.label(), "Saved in the sync folder");
}

TEST_F(CloudStoreTest, SameRevisionTwiceWritesNothingNew) {
    const PreparedCloudRevision prepared = prepare();
    const CloudReceipt receipt = CloudStore::publish(prepared, sync(), std::nullopt);
    const auto before = snapshot();
    EXPECT_EQ(CloudStore::publish(prepared, sync(), receipt), receipt);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CloudStoreTest, NewRevisionKeepsEarlierFilesAndMovesThePointer) {
    const CloudReceipt first = CloudStore::publish(prepare(), sync(), std::nullopt);
    input.note.general = "more";
    input.note.revision = 5;
    const PreparedCloudRevision second = prepare();
    const CloudReceipt receipt = CloudStore::publish(second, sync(), first);
    EXPECT_EQ(receipt.revision.revision, 5);
    for (const CloudFile& file : first.revision.files)
        EXPECT_NO_THROW(CloudFiles::verify(sync(), file));
    EXPECT_EQ(test::fileBytes(pointer()),
              test::fileBytes(second.directory + "/" + second.revision.metadata));
}

TEST_F(CloudStoreTest, PointerEditedElsewhereStopsAndWritesNothing) {
    const CloudReceipt first = CloudStore::publish(prepare(), sync(), std::nullopt);
    writeFileAtomically(pointer(), "{\"edited\": true}");
    input.note.revision = 5;
    const PreparedCloudRevision second = prepare();
    const auto before = snapshot();
    expectMessage([&] { CloudStore::publish(second, sync(), first); },
                  msg(CloudMessages::changedElsewhere));
    EXPECT_EQ(snapshot(), before);
    // Without a receipt too: a pointer that is neither the new nor a known metadata is foreign.
    expectMessage([&] { CloudStore::publish(second, sync(), std::nullopt); },
                  msg(CloudMessages::changedElsewhere));
}

TEST_F(CloudStoreTest, RemovedPointerIsNotRecreated) {
    const CloudReceipt first = CloudStore::publish(prepare(), sync(), std::nullopt);
    removePath(pointer());
    input.note.revision = 5;
    const PreparedCloudRevision second = prepare();
    const auto before = snapshot();
    expectMessage([&] { CloudStore::publish(second, sync(), first); },
                  msg(CloudMessages::pointerRemoved));
    EXPECT_EQ(snapshot(), before);
    EXPECT_FALSE(QFileInfo::exists(pointer()));
}

TEST_F(CloudStoreTest, ChangedFileOfThePreviousReceiptStops) {
    const CloudReceipt first = CloudStore::publish(prepare(), sync(), std::nullopt);
    const CloudFile& pdf = *first.revision.file(first.revision.readerPDF);
    writeFileAtomically(sync() + "/" + pdf.path, "changed elsewhere");
    input.note.revision = 5;
    const PreparedCloudRevision second = prepare();
    const auto before = snapshot();
    try {
        CloudStore::publish(second, sync(), first);
        ADD_FAILURE() << "published over a changed file";
    } catch (const LumbexError& error) {
        EXPECT_TRUE(error.message() == msg(CloudMessages::cachedChanged) ||
                    error.message() == "A cloud file changed: " + pdf.path.section('/', -1) +
                                           ". Both copies have been kept.")
            << error.message().toStdString();
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(CloudStoreTest, ConflictCopiesAndPlaceholdersStopPublishing) {
    const CloudReceipt first = CloudStore::publish(prepare(), sync(), std::nullopt);
    const QString package = sync() + "/" + CloudRevision::noteFolderPath(input.note.id);
    folder.write("sync/" + CloudRevision::noteFolderPath(input.note.id) +
                     "/note.sync-conflict-20240501-134510-ABCDEFG.json",
                 "{}");
    expectMessage([&] { CloudStore::publish(prepare(), sync(), first); },
                  msg(CloudMessages::conflicts));
    EXPECT_EQ(CloudStore::status(sync(), first).kind, CloudUploadState::Kind::Changed);
    removePath(package + "/note.sync-conflict-20240501-134510-ABCDEFG.json");
    writeFileAtomically(package + "/assets/x.png.nextcloud", "");
    expectMessage([&] { CloudStore::publish(prepare(), sync(), first); },
                  msg(CloudMessages::downloadFirst));
    EXPECT_EQ(CloudStore::status(sync(), first).label(), "Download required");
}

TEST_F(CloudStoreTest, SymbolicLinkInTheSyncFolderIsRefused) {
    makeFolders(folder.path("elsewhere"));
    makeFolders(sync() + "/Notes");
    ASSERT_EQ(::symlink(folder.path("elsewhere").toUtf8().constData(),
                        (sync() + "/Reviews").toUtf8().constData()),
              0);
    expectMessage([&] { CloudStore::publish(prepare(), sync(), std::nullopt); },
                  msg(CloudMessages::symbolicLink));
    EXPECT_TRUE(QDir(folder.path("elsewhere")).isEmpty());
}

TEST_F(CloudStoreTest, UnavailableAndLocalFoldersAreRefused) {
    expectMessage([&] { CloudStore::publish(prepare(), folder.path("missing"), std::nullopt); },
                  msg(CloudMessages::folderUnavailable));
    makeFolders(folder.path("local"));
    expectMessage([&] { CloudStore::checkFolder(folder.path("local")); },
                  msg(CloudMessages::notSyncFolder));
    EXPECT_EQ(CloudStore::checkFolder(sync()).client, SyncClient::Syncthing);
}

TEST_F(CloudStoreTest, ImportedRevisionIsANewLocalNoteWithTheSameImages) {
    const CloudReceipt receipt = CloudStore::publish(prepare(), sync(), std::nullopt);
    const auto before = snapshot();
    const QString package = CloudStore::importRevision(
        sync() + "/" + receipt.revision.manifestPath(), folder.path("library"));
    EXPECT_EQ(snapshot(), before);
    const NotePackageContents imported = readNotePackage(package);
    EXPECT_NE(imported.note.id, input.note.id);
    EXPECT_EQ(imported.note.title, input.note.title);
    EXPECT_EQ(imported.originals, input.originals);

    const QString fromPackage = CloudStore::importPackage(
        sync() + "/" + CloudRevision::noteFolderPath(input.note.id), folder.path("library"));
    EXPECT_NE(fromPackage, package);
    EXPECT_EQ(readNotePackage(fromPackage).originals, input.originals);
}

TEST_F(CloudStoreTest, ImportRefusesMetadataThatDoesNotMatchItsRevision) {
    const CloudReceipt receipt = CloudStore::publish(prepare(), sync(), std::nullopt);
    CloudRevision forged = receipt.revision;
    CaptureNote other = input.note;
    other.general = "forged";
    const QByteArray metadata = encodeNoteJson(other);
    writeFileAtomically(sync() + "/" + forged.metadata, metadata);
    for (CloudFile& file : forged.files)
        if (file.path == forged.metadata)
            file = {file.path, sha256Hex(metadata), metadata.size()};
    const QString manifest = sync() + "/" + forged.manifestPath();
    writeFileAtomically(manifest, CloudCoding::encode(forged));
    expectMessage([&] { CloudStore::importRevision(manifest, folder.path("library")); },
                  msg(CloudMessages::revisionMismatch));
    EXPECT_FALSE(QFileInfo::exists(folder.path("library")) &&
                 !QDir(folder.path("library")).isEmpty());
}

TEST_F(CloudStoreTest, ImportRefusesOversizedCloudMetadata) {
    makeFolders(folder.path("sync/Notes/X.capturenote"));
    folder.write("sync/Notes/X.capturenote/note.json", QByteArray((8 << 20) + 1, ' '));
    expectMessage(
        [&] {
            CloudStore::importPackage(folder.path("sync/Notes/X.capturenote"),
                                      folder.path("library"));
        },
        msg(CloudMessages::cloudMetadataTooLarge));
}

} // namespace
} // namespace lumbex
