#include "deleted_fixtures.h"
#include "library/deleted_cloud.h"
#include "library/deleted_note_state.h"
#include "library/deletion_jobs.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Stands in for the sync folder: records the calls and can fail like it.
class FakeCloud : public DeletedCloudSide {
public:
    std::vector<std::string> calls;
    std::optional<QString> failPlan;

    void plan(DeletedNote& entry) override {
        calls.push_back("plan");
        if (failPlan)
            throw LumbexError(*failPlan);
        entry.cloudPaths = std::vector<QString>{QStringLiteral("Notes/N.capturenote")};
    }
    void archive(const DeletedNote&) override { calls.push_back("archive"); }
    void restore(const DeletedNote&) override { calls.push_back("restore"); }
    void trashArchive(const DeletedNote&, Trash&) override { calls.push_back("trash"); }
};

class DeletedCloudSeamTest : public ::testing::Test, public test::DeletedNotesFixture {
protected:
    FakeCloud cloud;
    test::FakeTrash trash{folder.path(QStringLiteral("Trash"))};
};

TEST_F(DeletedCloudSeamTest, SyncedCopiesArePlannedArchivedAndTrashedWithTheEntry) {
    DeletedNote entry = store.archive(packagePath, contents.note, {}, true, 0.0);
    runDeletedNoteJob(store, entry, &cloud, trash, 10.0);
    EXPECT_EQ(cloud.calls, (std::vector<std::string>{"plan", "archive"}));
    EXPECT_TRUE(entry.cloudArchived);
    EXPECT_EQ(onlyEntry(), entry);
    EXPECT_EQ(deletedNoteStateLine(entry, false, 10.0),
              QStringLiteral("30 days remaining · Includes sync folder copies"));

    runDeletedNoteJob(store, entry, &cloud, trash, 30 * 86400.0);
    EXPECT_EQ(cloud.calls, (std::vector<std::string>{"plan", "archive", "trash"}));
    EXPECT_TRUE(entry.expiredToTrash);
    EXPECT_EQ(trash.trashed.size(), 1u);
}

TEST_F(DeletedCloudSeamTest, APlanningFailureIsKeptAndRetried) {
    DeletedNote entry = store.archive(packagePath, contents.note, {}, true, 0.0);
    cloud.failPlan = QStringLiteral("The cloud note was replaced. Its files have been kept.");
    EXPECT_EQ(test::thrownMessage([&] { runDeletedNoteJob(store, entry, &cloud, trash, 1.0); }),
              "The cloud note was replaced. Its files have been kept.");
    EXPECT_EQ(onlyEntry().error, *cloud.failPlan);
    EXPECT_FALSE(onlyEntry().cloudArchived);
    cloud.failPlan.reset();
    DeletedNote retried = onlyEntry();
    runDeletedNoteJob(store, retried, &cloud, trash, 2.0);
    EXPECT_TRUE(retried.cloudArchived);
    EXPECT_FALSE(onlyEntry().error);
}

TEST_F(DeletedCloudSeamTest, WithoutTheSyncSideARestoreWaitsForItsSyncedCopies) {
    DeletedNote entry = store.archive(packagePath, contents.note, {}, true, 0.0);
    runDeletedNoteJob(store, entry, &cloud, trash, 1.0);
    store.beginRestore(entry);
    EXPECT_EQ(runDeletedNoteJob(store, entry, nullptr, trash, 2.0), packagePath);
    // The note is back; the record waits for the synced copies.
    EXPECT_NO_THROW(readNotePackage(packagePath));
    EXPECT_EQ(deletedNoteStateLine(onlyEntry(), false, 2.0),
              QStringLiteral("Restored on this computer · sync folder restore pending"));
    EXPECT_EQ(runDeletedNoteJob(store, entry, &cloud, trash, 3.0), packagePath);
    EXPECT_EQ(cloud.calls.back(), "restore");
    EXPECT_TRUE(store.load().empty());
}

} // namespace
} // namespace lumbex
