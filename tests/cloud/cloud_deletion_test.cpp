#include "cloud/cloud_binding.h"
#include "cloud/cloud_deletion.h"
#include "cloud/cloud_files.h"
#include "cloud/cloud_store.h"
#include "cloud_fixtures.h"
#include "library/deleted_notes_store.h"
#include "library/deletion_jobs.h"
#include "library/trash.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFileInfo>

namespace lumbex {
namespace {

class RecordingTrash : public Trash {
public:
    explicit RecordingTrash(QString folder) : folder_(std::move(folder)) {}
    QString moveToTrash(const QString& path) override {
        makeFolders(folder_);
        const QString target = folder_ + "/" + QString::number(trashed.size());
        renameNoReplace(path, target);
        trashed.push_back(path);
        return target;
    }
    std::vector<QString> trashed;

private:
    QString folder_;
};

class CloudDeletionTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    CloudSnapshotInput input = test::noteWithTwoImages();
    DeletedNote entry;
    CloudReceipt receipt;

    void SetUp() override {
        makeFolders(folder.path("sync/.stfolder"));
        receipt =
            CloudStore::publish(PreparedCloudRevision::prepare(input, false, folder.path("queue"),
                                                               test::fakeReaderWriters()),
                                sync(), std::nullopt);
        CloudBinding binding;
        binding.folder = sync();
        binding.localNote = folder.path("note.capturenote");
        binding.receipt = receipt;
        entry.id = newId();
        entry.noteID = input.note.id;
        entry.title = input.note.title;
        entry.cloudBinding = binding.toJson();
        entry.removeCloudCopies = true;
    }
    QString sync() const { return folder.path("sync"); }
    QString notePath() const { return CloudRevision::noteFolderPath(input.note.id); }
    QString reviewPath() const { return receipt.revision.readerPDF.section('/', 0, 1); }
};

TEST_F(CloudDeletionTest, ArchivesWithAMarkerAndRestores) {
    bool resumed = false;
    CloudDeletion cloud([&](const DeletedNote&) { resumed = true; });
    cloud.plan(entry);
    ASSERT_TRUE(entry.cloudPaths);
    EXPECT_EQ(*entry.cloudPaths, (std::vector<QString>{notePath(), reviewPath()}));
    const auto before = test::treeOf(sync());
    cloud.archive(entry);
    EXPECT_FALSE(QFileInfo::exists(sync() + "/" + notePath()));
    const QString archive = sync() + "/" + entry.cloudArchivePath();
    EXPECT_TRUE(QFileInfo(archive + "/" + notePath() + "/note.json").isFile());
    const QByteArray marker = test::fileBytes(archive + "/deletion.json");
    EXPECT_TRUE(marker.contains(idString(entry.noteID).toLatin1()));
    EXPECT_LT(marker.indexOf("\"deletedAt\""), marker.indexOf("\"title\""));
    cloud.archive(entry); // a repeated step skips what is archived already

    cloud.restore(entry);
    EXPECT_TRUE(resumed);
    // Nothing of the deletion is left in the sync folder.
    EXPECT_FALSE(QFileInfo::exists(sync() + "/Recently Deleted")) << "archive left behind";
    auto after = test::treeOf(sync());
    std::erase_if(after,
                  [](const auto& item) { return item.first.startsWith("Recently Deleted"); });
    EXPECT_EQ(after, before);
}

TEST_F(CloudDeletionTest, PlanningFaultsKeepEveryFile) {
    CloudDeletion cloud;
    const QString pointer = sync() + "/" + notePath() + "/note.json";
    writeFileAtomically(pointer, encodeNoteJson(CaptureNote::make()));
    test::expectMessage([&] { cloud.plan(entry); },
                        "The cloud note was replaced. Its files have been kept.");
    removePath(sync() + "/" + notePath());
    test::expectMessage([&] { cloud.plan(entry); },
                        "The cloud note is missing. Cloud files have been kept; restore the local "
                        "note or retry when the sync folder is available.");
    EXPECT_FALSE(entry.cloudPaths);
}

TEST_F(CloudDeletionTest, ForeignRevisionIsRefused) {
    CloudDeletion cloud;
    CloudRevision other = receipt.revision;
    other.noteID = newId();
    writeFileAtomically(sync() + "/" + notePath() + "/revisions/r1-000000000000.json",
                        CloudCoding::encode(other));
    test::expectMessage([&] { cloud.plan(entry); },
                        "A cloud revision belongs to another note. Its files have been kept.");
}

TEST_F(CloudDeletionTest, RestoreConflictsKeepBothCopies) {
    CloudDeletion cloud;
    cloud.plan(entry);
    cloud.archive(entry);
    makeFolders(sync() + "/" + notePath());
    test::expectMessage([&] { cloud.restore(entry); },
                        "A newer cloud file occupies the restore location. Both copies have been "
                        "kept.");
    removePath(sync() + "/" + notePath());
    removePath(sync() + "/" + entry.cloudArchivePath() + "/" + reviewPath());
    test::expectMessage([&] { cloud.restore(entry); },
                        "A cloud file was removed outside Lumbex. Your restored local note is "
                        "available; cloud sync stays paused.");
}

TEST_F(CloudDeletionTest, ExpiryTrashesTheArchive) {
    CloudDeletion cloud;
    cloud.plan(entry);
    cloud.archive(entry);
    RecordingTrash trash(folder.path("trash"));
    cloud.trashArchive(entry, trash);
    ASSERT_EQ(trash.trashed.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(sync() + "/" + entry.cloudArchivePath()));
}

TEST_F(CloudDeletionTest, WithoutItsSyncFolderNothingMoves) {
    CloudDeletion cloud;
    CloudBinding binding = CloudBinding::fromJson(*entry.cloudBinding);
    binding.folder = folder.path("gone");
    entry.cloudBinding = binding.toJson();
    EXPECT_FALSE(cloud.reachable(entry));
    EXPECT_THROW(cloud.plan(entry), LumbexError);
}

TEST_F(CloudDeletionTest, AnUnreachableFolderHoldsExpiryBack) {
    CloudDeletion cloud;
    EXPECT_TRUE(cloud.reachable(entry));
    CloudBinding binding = CloudBinding::fromJson(*entry.cloudBinding);
    const QString away = folder.path("away");
    QDir().rename(sync(), away);
    EXPECT_FALSE(cloud.reachable(entry));

    // A deleted note whose synced copies could not move yet stays past its 30 days.
    makeFolders(folder.path("Notes"));
    const QString package = folder.path("Notes/note.capturenote");
    createNotePackage(input, package);
    const DeletedNotesStore store(folder.path("Notes"));
    DeletedNote deleted = store.archive(package, input.note, binding.toJson(), true, 0.0);
    RecordingTrash trash(folder.path("trash"));
    const Date later = 31 * 86400.0;
    runDeletedNoteJob(store, deleted, &cloud, trash, 10.0);
    EXPECT_FALSE(deleted.error);
    try {
        runDeletedNoteJob(store, deleted, &cloud, trash, later);
        ADD_FAILURE() << "expired without its synced copies";
    } catch (const LumbexError& e) {
        EXPECT_EQ(
            e.message(),
            QStringLiteral("Waiting for the sync folder before the deleted note can expire."));
    }
    EXPECT_TRUE(trash.trashed.empty());
    EXPECT_FALSE(deleted.cloudArchived);

    // Once the folder is back the copies move and the entry expires.
    QDir().rename(away, sync());
    runDeletedNoteJob(store, deleted, &cloud, trash, later);
    EXPECT_TRUE(deleted.cloudArchived);
    EXPECT_TRUE(deleted.expiredToTrash);
    EXPECT_EQ(trash.trashed.size(), 2u);
}

} // namespace
} // namespace lumbex
