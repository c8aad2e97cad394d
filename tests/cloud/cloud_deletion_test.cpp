#include "cloud/cloud_binding.h"
#include "cloud/cloud_deletion.h"
#include "cloud/cloud_files.h"
#include "cloud/cloud_store.h"
#include "cloud_fixtures.h"
#include "library/trash.h"
#include "model/note_coding.h"
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
    EXPECT_THROW(cloud.plan(entry), LumbexError);
}

} // namespace
} // namespace lumbex
