#include "core/sha256.h"
#include "deleted_fixtures.h"
#include "model/note_coding.h"

#include <QFile>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::Interrupted;
using test::thrownMessage;

class DeletedRestoreTest : public ::testing::Test, public test::DeletedNotesFixture {
protected:
    DeletedNote deleted() { return store.archive(packagePath, contents.note, {}, false, 50.0); }

    // Every file of the restored package but note.json equals the original; note.json holds the
    // next revision, modified at `when`.
    void expectRestored(const QString& target, const std::map<QString, QByteArray>& before,
                        Date when) {
        auto after = tree(target);
        auto expected = before;
        const CaptureNote note = decodeNoteJson(after.at(QStringLiteral("note.json")));
        EXPECT_EQ(note.revision, contents.note.revision + 1);
        EXPECT_EQ(note.modifiedAt, when);
        after.erase(QStringLiteral("note.json"));
        expected.erase(QStringLiteral("note.json"));
        EXPECT_EQ(after, expected);
        EXPECT_NO_THROW(readNotePackage(target));
    }
};

TEST_F(DeletedRestoreTest, RestoresToTheOriginalPlaceAndRemovesTheRecord) {
    const auto before = tree(packagePath);
    DeletedNote entry = deleted();
    const QString target = store.restoreLocal(entry, 99.0);
    EXPECT_EQ(target, packagePath);
    EXPECT_TRUE(entry.restoring && entry.restoredMetadata);
    EXPECT_EQ(entry.restoredURL, packagePath);
    EXPECT_EQ(entry.restoredSHA256,
              sha256Hex(test::fileBytes(target + QStringLiteral("/note.json"))));
    expectRestored(target, before, 99.0);
    store.finishRestore(entry);
    EXPECT_EQ(entryKind(store.directory(entry.id)), EntryKind::Missing);
    EXPECT_TRUE(store.load().empty());
}

TEST_F(DeletedRestoreTest, ATakenPlaceGivesARestoredPackageAndLeavesTheOtherFileAlone) {
    const auto before = tree(packagePath);
    DeletedNote entry = deleted();
    QDir().mkpath(packagePath);
    QFile marker(packagePath + QStringLiteral("/mine.txt"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write("someone else's");
    marker.close();

    const QString target = store.restoreLocal(entry, 99.0);
    EXPECT_EQ(target, library + u'/' + idString(contents.note.id) + QStringLiteral("-restored-") +
                          idString(entry.id) + QStringLiteral(".capturenote"));
    expectRestored(target, before, 99.0);
    EXPECT_EQ(test::fileBytes(packagePath + QStringLiteral("/mine.txt")), "someone else's");
    EXPECT_EQ(tree(packagePath).size(), 1u);
}

TEST_F(DeletedRestoreTest, AMissingFolderGivesARestoredPackageInTheLibrary) {
    const QString elsewhere = folder.path(QStringLiteral("Project/Note.capturenote"));
    QDir().mkpath(folder.path(QStringLiteral("Project")));
    renameNoReplace(packagePath, elsewhere);
    DeletedNote entry = store.archive(elsewhere, contents.note, {}, false, 1.0);
    QDir(folder.path(QStringLiteral("Project"))).removeRecursively();
    QDir(library).removeRecursively();
    const QString target = store.restoreLocal(entry, 2.0);
    EXPECT_TRUE(target.startsWith(library + u'/'));
    EXPECT_TRUE(target.contains(QStringLiteral("-restored-")));
    EXPECT_EQ(entryKind(target), EntryKind::Folder);
}

TEST_F(DeletedRestoreTest, AnUnfinishedDeletionRestoresInPlace) {
    interruptAt("recorded");
    EXPECT_THROW(deleted(), Interrupted);
    runToEnd();
    DeletedNote entry = onlyEntry();
    const auto before = tree(packagePath);
    EXPECT_EQ(store.restoreLocal(entry, 7.0), packagePath);
    expectRestored(packagePath, before, 7.0);
    store.finishRestore(entry);
    EXPECT_TRUE(store.load().empty());
}

// A crash after each step of a restore: running restoreLocal again from the record finishes it.
class RestoreInterruptionTest : public DeletedRestoreTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(RestoreInterruptionTest, RunningAgainFinishesTheRestore) {
    const auto before = tree(packagePath);
    DeletedNote entry = deleted();
    interruptAt(GetParam());
    EXPECT_THROW(
        {
            store.restoreLocal(entry, 80.0);
            store.finishRestore(entry);
        },
        Interrupted);
    runToEnd();
    const auto listing = store.load();
    if (!listing.empty()) {
        DeletedNote resumed = listing.front();
        EXPECT_EQ(store.restoreLocal(resumed, 90.0), packagePath);
        store.finishRestore(resumed);
    }
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(entryKind(store.directory(entry.id)), EntryKind::Missing);
    const CaptureNote note =
        decodeNoteJson(test::fileBytes(packagePath + QStringLiteral("/note.json")));
    EXPECT_EQ(note.revision, contents.note.revision + 1);
    auto after = tree(packagePath);
    after.erase(QStringLiteral("note.json"));
    auto expected = before;
    expected.erase(QStringLiteral("note.json"));
    EXPECT_EQ(after, expected);
}

INSTANTIATE_TEST_SUITE_P(Steps, RestoreInterruptionTest,
                         ::testing::Values("restoring", "target", "moved", "digest", "rewritten",
                                           "restored", "unrecorded"));

TEST_F(DeletedRestoreTest, ATargetThatBecameALinkKeepsBothCopies) {
    DeletedNote entry = deleted();
    interruptAt("target");
    EXPECT_THROW(store.restoreLocal(entry, 9.0), Interrupted);
    runToEnd();
    entry = onlyEntry();
    const QString decoy = folder.path(QStringLiteral("Decoy"));
    QDir().mkpath(decoy);
    ASSERT_TRUE(QFile::link(decoy, packagePath));
    EXPECT_EQ(thrownMessage([&] { store.restoreLocal(entry, 9.0); }),
              "The restore location is a symbolic link. Both copies have been kept.");
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);
    EXPECT_TRUE(QDir(decoy).isEmpty());
    EXPECT_EQ(entryKind(packagePath), EntryKind::SymbolicLink);
}

TEST_F(DeletedRestoreTest, ATargetTakenAfterItWasChosenKeepsBothNotes) {
    DeletedNote entry = deleted();
    interruptAt("target");
    EXPECT_THROW(store.restoreLocal(entry, 9.0), Interrupted);
    runToEnd();
    entry = onlyEntry();
    QDir().mkpath(packagePath);
    EXPECT_EQ(thrownMessage([&] { store.restoreLocal(entry, 9.0); }),
              "The restore location is occupied. Both notes have been kept.");
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);
}

TEST_F(DeletedRestoreTest, ADeletedPackageChangedOutsideIsKept) {
    DeletedNote entry = deleted();
    writeFileAtomically(store.package(entry.id) + QStringLiteral("/note.json"), "{}\n");
    EXPECT_EQ(thrownMessage([&] { store.restoreLocal(entry, 9.0); }),
              "The deleted note changed outside Lumbex. Its files have been kept.");
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
    EXPECT_TRUE(onlyEntry().restoring);
}

TEST_F(DeletedRestoreTest, ARestoredFileReplacedBeforeTheEndIsKept) {
    DeletedNote entry = deleted();
    interruptAt("restored");
    EXPECT_THROW(store.restoreLocal(entry, 9.0), Interrupted);
    runToEnd();
    entry = onlyEntry();
    writeFileAtomically(packagePath + QStringLiteral("/note.json"), encodeNoteJson(contents.note));
    EXPECT_EQ(thrownMessage([&] { store.restoreLocal(entry, 9.0); }),
              "The restored file was replaced. Both copies have been kept.");
    store.finishRestore(entry);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
}

TEST_F(DeletedRestoreTest, FinishRestoreRemovesOnlyItsOwnLeftovers) {
    DeletedNote entry = deleted();
    // The staging folder of a copy across file systems that was cut short.
    QDir().mkpath(store.directory(entry.id) + QStringLiteral("/.Note.capturenote.moving-1"));
    store.restoreLocal(entry, 3.0);
    store.finishRestore(entry);
    EXPECT_EQ(entryKind(store.directory(entry.id)), EntryKind::Missing);

    const CaptureNote restored =
        decodeNoteJson(test::fileBytes(packagePath + QStringLiteral("/note.json")));
    DeletedNote second = store.archive(packagePath, restored, {}, false, 4.0);
    folder.write(QStringLiteral("Recently Deleted/") + idString(second.id) +
                     QStringLiteral("/notes.txt"),
                 "mine");
    store.restoreLocal(second, 5.0);
    store.finishRestore(second);
    // Someone else's file stays; the record is gone, so the folder lists as unreadable.
    EXPECT_EQ(test::fileBytes(store.directory(second.id) + QStringLiteral("/notes.txt")), "mine");
    EXPECT_EQ(entryKind(store.directory(second.id) + QStringLiteral("/record.json")),
              EntryKind::Missing);
    EXPECT_EQ(store.read().unreadable, 1);
}

TEST_F(DeletedRestoreTest, FinishRestoreWaitsUntilThePackageLeft) {
    DeletedNote entry = deleted();
    entry.restoredMetadata = true;
    store.finishRestore(entry);
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);
    EXPECT_EQ(store.load().size(), 1u);
}

} // namespace
} // namespace lumbex
