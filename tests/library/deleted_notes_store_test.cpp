#include "core/file_lock.h"
#include "core/files.h"
#include "core/sha256.h"
#include "deleted_fixtures.h"
#include "library/deleted_note.h"
#include "model/note_coding.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumbex {
namespace {

using test::Interrupted;
using test::thrownMessage;

class DeletedNotesStoreTest : public ::testing::Test, public test::DeletedNotesFixture {};

TEST_F(DeletedNotesStoreTest, RootIsBesideTheLibrary) {
    EXPECT_EQ(store.root(), folder.path(QStringLiteral("Recently Deleted")));
    EXPECT_EQ(DeletedNotesStore::defaultRoot(folder.path(QStringLiteral("Voice Preview Notes"))),
              folder.path(QStringLiteral("Preview Recently Deleted")));
    EXPECT_EQ(DeletedNotesStore(library, folder.path(QStringLiteral("Elsewhere"))).root(),
              folder.path(QStringLiteral("Elsewhere")));
}

TEST_F(DeletedNotesStoreTest, ArchiveMovesThePackageAndRecordsEveryField) {
    const auto before = tree(packagePath);
    const DeletedNote entry = store.archive(packagePath, contents.note, {}, false, 1000.0);

    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
    EXPECT_EQ(tree(store.package(entry.id)), before);
    EXPECT_EQ(store.package(entry.id),
              store.root() + u'/' + idString(entry.id) + QStringLiteral("/Note.capturenote"));
    EXPECT_TRUE(entry.localArchived);
    EXPECT_EQ(entry.noteID, contents.note.id);
    EXPECT_EQ(entry.title, contents.note.title);
    EXPECT_EQ(entry.deletedAt, 1000.0);
    EXPECT_EQ(entry.originalURL, packagePath);
    EXPECT_EQ(entry.metadataSHA256, sha256Hex(before.at(QStringLiteral("note.json"))));
    EXPECT_FALSE(entry.restoring || entry.cloudArchived || entry.expiredToTrash);
    EXPECT_EQ(onlyEntry(), entry);
    EXPECT_TRUE(store.contains(store.package(entry.id)));
}

TEST_F(DeletedNotesStoreTest, RefusesAPackageThatIsAlreadyDeleted) {
    const DeletedNote entry = store.archive(packagePath, contents.note, {}, false, 0.0);
    const auto before = test::treeOf(store.root());
    EXPECT_EQ(thrownMessage(
                  [&] { store.archive(store.package(entry.id), contents.note, {}, false, 0.0); }),
              "Restore this note before moving it to Recently Deleted again.");
    EXPECT_EQ(test::treeOf(store.root()), before);
}

TEST_F(DeletedNotesStoreTest, RefusesALinkAndAnythingButAPackage) {
    const QString link = folder.path(QStringLiteral("Link.capturenote"));
    ASSERT_TRUE(QFile::link(packagePath, link));
    EXPECT_EQ(thrownMessage([&] { store.archive(link, contents.note, {}, false, 0.0); }),
              "Restore this note before moving it to Recently Deleted again.");
    EXPECT_EQ(thrownMessage([&] {
                  store.archive(folder.path(QStringLiteral("Notes")), contents.note, {}, false,
                                0.0);
              }),
              "Restore this note before moving it to Recently Deleted again.");
    // A link to the Recently Deleted folder is inside it once resolved.
    QDir().mkpath(store.root() + QStringLiteral("/X.capturenote"));
    ASSERT_TRUE(QFile::link(store.root(), folder.path(QStringLiteral("Alias"))));
    EXPECT_TRUE(store.contains(folder.path(QStringLiteral("Alias/X.capturenote"))));
    EXPECT_FALSE(store.contains(folder.path(QStringLiteral("Recently Deleted Other"))));
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
}

TEST_F(DeletedNotesStoreTest, ANoteChangedSinceItsSaveIsNotMoved) {
    CaptureNote stale = contents.note;
    stale.revision -= 1;
    EXPECT_EQ(thrownMessage([&] { store.archive(packagePath, stale, {}, false, 0.0); }),
              "The note changed before it could be deleted. Save it and try again.");
    CaptureNote other = contents.note;
    other.id = newId();
    EXPECT_EQ(thrownMessage([&] { store.archive(packagePath, other, {}, false, 0.0); }),
              "The note changed before it could be deleted. Save it and try again.");
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
    EXPECT_TRUE(store.load().empty());
}

// A crash after each step of a deletion: running the remaining steps from the record finishes it.
class DeletionInterruptionTest : public DeletedNotesStoreTest,
                                 public ::testing::WithParamInterface<const char*> {};

TEST_P(DeletionInterruptionTest, CompleteLocalArchiveFinishesTheJob) {
    const auto before = tree(packagePath);
    interruptAt(GetParam());
    EXPECT_THROW(store.archive(packagePath, contents.note, {}, false, 5.0), Interrupted);
    runToEnd();
    DeletedNote entry = onlyEntry();
    store.completeLocalArchive(entry);
    EXPECT_TRUE(entry.localArchived);
    EXPECT_EQ(onlyEntry(), entry);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
    EXPECT_EQ(tree(store.package(entry.id)), before);
}

INSTANTIATE_TEST_SUITE_P(Steps, DeletionInterruptionTest,
                         ::testing::Values("recorded", "moved", "archived"));

TEST_F(DeletedNotesStoreTest, APackageChangedAfterTheRecordIsKeptWhereItIs) {
    interruptAt("recorded");
    EXPECT_THROW(store.archive(packagePath, contents.note, {}, false, 5.0), Interrupted);
    runToEnd();
    writeFileAtomically(packagePath + QStringLiteral("/note.json"),
                        encodeNoteJson(contents.note) + ' ');
    const auto before = tree(packagePath);
    DeletedNote entry = onlyEntry();
    EXPECT_EQ(
        thrownMessage([&] { store.completeLocalArchive(entry); }),
        "The note changed or another deleted copy already exists. Both files have been kept.");
    EXPECT_EQ(tree(packagePath), before);
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Missing);
    EXPECT_FALSE(onlyEntry().localArchived);
}

TEST_F(DeletedNotesStoreTest, AnotherDeletedCopyInTheWayKeepsBoth) {
    interruptAt("recorded");
    EXPECT_THROW(store.archive(packagePath, contents.note, {}, false, 5.0), Interrupted);
    runToEnd();
    DeletedNote entry = onlyEntry();
    QDir().mkpath(store.package(entry.id));
    EXPECT_EQ(
        thrownMessage([&] { store.completeLocalArchive(entry); }),
        "The note changed or another deleted copy already exists. Both files have been kept.");
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
}

// A copy across file systems that was in place when the process stopped, the original not yet
// removed: the retry removes the original, and a different copy keeps both.
TEST_F(DeletedNotesStoreTest, AFinishedCopyWithItsOriginalLeftIsCompleted) {
    interruptAt("recorded");
    EXPECT_THROW(store.archive(packagePath, contents.note, {}, false, 5.0), Interrupted);
    runToEnd();
    DeletedNote entry = onlyEntry();
    const auto before = tree(packagePath);
    const auto copyTo = [&](const QString& target) {
        // The package's folders, also the empty ones.
        QDir().mkpath(target + QStringLiteral("/assets"));
        QDir().mkpath(target + QStringLiteral("/audio"));
        for (const auto& [name, bytes] : before) {
            QDir().mkpath(QFileInfo(target + u'/' + name).absolutePath());
            writeFileAtomically(target + u'/' + name, bytes);
        }
    };
    copyTo(store.package(entry.id));
    writeFileAtomically(store.package(entry.id) + QStringLiteral("/assets/extra"), "x");
    EXPECT_EQ(
        thrownMessage([&] { store.completeLocalArchive(entry); }),
        "The note changed or another deleted copy already exists. Both files have been kept.");
    EXPECT_EQ(tree(packagePath), before);

    removePath(store.package(entry.id) + QStringLiteral("/assets/extra"));
    store.completeLocalArchive(entry);
    EXPECT_TRUE(entry.localArchived);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
    EXPECT_EQ(tree(store.package(entry.id)), before);
}

TEST_F(DeletedNotesStoreTest, AMovedPackageThatChangedIsNotVerified) {
    interruptAt("moved");
    EXPECT_THROW(store.archive(packagePath, contents.note, {}, false, 5.0), Interrupted);
    runToEnd();
    DeletedNote entry = onlyEntry();
    writeFileAtomically(store.package(entry.id) + QStringLiteral("/note.json"), "{}");
    EXPECT_EQ(thrownMessage([&] { store.completeLocalArchive(entry); }),
              "The deleted note could not be verified. Its files have been kept.");
    EXPECT_FALSE(onlyEntry().localArchived);
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);
}

TEST_F(DeletedNotesStoreTest, ABusyPackageIsNotMoved) {
    interruptAt("recorded");
    EXPECT_THROW(store.archive(packagePath, contents.note, {}, false, 5.0), Interrupted);
    runToEnd();
    DeletedNote entry = onlyEntry();
    {
        FileLock held =
            FileLock::acquire(temporarySiblingPrefix(packagePath) + QStringLiteral("lock"));
        EXPECT_EQ(thrownMessage([&] { store.completeLocalArchive(entry); }),
                  "The file is busy. Try again.");
        EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
    }
    store.completeLocalArchive(entry);
    EXPECT_TRUE(entry.localArchived);
}

// A note on another file system is copied, compared and only then removed, both ways.
TEST_F(DeletedNotesStoreTest, MovesAcrossFileSystemsKeepEveryFile) {
    struct stat here {
    }, shm{};
    if (::stat(QFile::encodeName(folder.path()).constData(), &here) != 0 ||
        ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    QTemporaryDir other(QStringLiteral("/dev/shm/lumbex-move-XXXXXX"));
    const QString far = other.path() + QStringLiteral("/Far.capturenote");
    renameNoReplace(packagePath, folder.path(QStringLiteral("staged.capturenote")));
    QDir().mkpath(far);
    for (const auto& [name, bytes] : tree(folder.path(QStringLiteral("staged.capturenote")))) {
        QDir().mkpath(QFileInfo(far + u'/' + name).absolutePath());
        writeFileAtomically(far + u'/' + name, bytes);
    }
    const auto before = tree(far);
    DeletedNote entry = store.archive(far, contents.note, {}, false, 1.0);
    EXPECT_EQ(entryKind(far), EntryKind::Missing);
    EXPECT_EQ(tree(store.package(entry.id)), before);
    EXPECT_EQ(store.restoreLocal(entry, 2.0), far);
    store.finishRestore(entry);
    auto after = tree(far);
    after.erase(QStringLiteral("note.json"));
    auto expected = before;
    expected.erase(QStringLiteral("note.json"));
    EXPECT_EQ(after, expected);
    EXPECT_NO_THROW(readNotePackage(far));
    EXPECT_TRUE(QDir(other.path())
                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                    .filter(QStringLiteral("moving"))
                    .isEmpty());
}

TEST_F(DeletedNotesStoreTest, ReadSkipsOtherNamesAndCountsUnreadableRecords) {
    const DeletedNote older = store.archive(packagePath, contents.note, {}, false, 10.0);
    NotePackageContents second = contents;
    second.note.id = newId();
    const QString secondPath = library + QStringLiteral("/second.capturenote");
    createNotePackage(second, secondPath);
    const DeletedNote newer = store.archive(secondPath, second.note, {}, false, 20.0);

    // Names that are no UUID are ignored, whatever they hold.
    QDir().mkpath(store.root() + QStringLiteral("/notes"));
    QFile(store.root() + QStringLiteral("/.DS_Store")).open(QIODevice::WriteOnly);
    // Folders named by a UUID whose record is missing, broken, or names another deletion.
    QDir().mkpath(store.root() + u'/' + idString(newId()));
    const QString broken = store.root() + u'/' + idString(newId());
    QDir().mkpath(broken);
    writeFileAtomically(broken + QStringLiteral("/record.json"), "{");
    DeletedNote mismatched = older;
    mismatched.id = newId();
    const QString other = store.root() + u'/' + idString(newId());
    QDir().mkpath(other);
    writeFileAtomically(other + QStringLiteral("/record.json"), encodeDeletedNote(mismatched));
    DeletedNote newerVersion = older;
    newerVersion.schemaVersion = 2;
    newerVersion.id = newId();
    QDir().mkpath(store.directory(newerVersion.id));
    store.save(newerVersion);
    DeletedNote notAPackage = older;
    notAPackage.id = newId();
    notAPackage.originalURL = QStringLiteral("/tmp/note.txt");
    QDir().mkpath(store.directory(notAPackage.id));
    store.save(notAPackage);

    const auto listing = store.read();
    ASSERT_EQ(listing.entries.size(), 2u);
    EXPECT_EQ(listing.entries[0], newer);
    EXPECT_EQ(listing.entries[1], older);
    EXPECT_EQ(listing.unreadable, 5);
}

TEST_F(DeletedNotesStoreTest, ARecordOfOneMebibyteIsUnreadable) {
    const DeletedNote entry = store.archive(packagePath, contents.note, {}, false, 10.0);
    const QByteArray record = encodeDeletedNote(entry);
    const QString recordPath = store.directory(entry.id) + QStringLiteral("/record.json");
    // Trailing white space keeps the JSON valid at any size.
    writeFileAtomically(recordPath, record + QByteArray(1'048'575 - record.size(), ' '));
    EXPECT_EQ(store.read().entries.size(), 1u);
    writeFileAtomically(recordPath, record + QByteArray(1'048'576 - record.size(), ' '));
    const auto listing = store.read();
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_EQ(listing.unreadable, 1);
}

TEST_F(DeletedNotesStoreTest, NoFolderMeansNoEntries) {
    const auto listing = store.read();
    EXPECT_TRUE(listing.entries.empty());
    EXPECT_EQ(listing.unreadable, 0);
}

struct ExpiryCase {
    const char* name;
    double age;
    bool removeCloud;
    bool expires;
    std::string message;
};

// Named in test output by its row name (the default dumps its bytes).
void PrintTo(const ExpiryCase& row, std::ostream* out) {
    *out << row.name;
}

class ExpiryTest : public DeletedNotesStoreTest,
                   public ::testing::WithParamInterface<ExpiryCase> {};

TEST_P(ExpiryTest, ExpiresAfterThirtyDaysUnlessSyncedCopiesWait) {
    const ExpiryCase& c = GetParam();
    DeletedNote entry = store.archive(packagePath, contents.note, {}, c.removeCloud, 100.0);
    test::FakeTrash trash(folder.path(QStringLiteral("Trash")));
    EXPECT_EQ(thrownMessage([&] { store.expire(entry, nullptr, 100.0 + c.age, trash); }),
              c.message);
    EXPECT_EQ(entry.expiredToTrash, c.expires);
    EXPECT_EQ(onlyEntry(), entry);
    EXPECT_EQ(trash.trashed.size(), c.expires ? 1u : 0u);
    EXPECT_EQ(entryKind(store.package(entry.id)),
              c.expires ? EntryKind::Missing : EntryKind::Folder);
    // The record stays, marked, for a package someone puts back from the Trash.
    EXPECT_EQ(entryKind(store.directory(entry.id) + QStringLiteral("/record.json")),
              EntryKind::File);
}

INSTANTIATE_TEST_SUITE_P(
    Ages, ExpiryTest,
    ::testing::Values(ExpiryCase{"TwentyNineDaysTwentyThreeHours", 29 * 86400.0 + 23 * 3600.0,
                                 false, false, ""},
                      ExpiryCase{"ThirtyDays", 30 * 86400.0, false, true, ""},
                      ExpiryCase{"ThirtyDaysWaitingForSync", 30 * 86400.0, true, false,
                                 "Waiting for the sync folder before the deleted note can expire."},
                      ExpiryCase{"EarlyWithSyncedCopies", 86400.0, true, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DeletedNotesStoreTest, UnarchivedEntriesDoNotExpire) {
    interruptAt("recorded");
    EXPECT_THROW(store.archive(packagePath, contents.note, {}, false, 0.0), Interrupted);
    runToEnd();
    DeletedNote entry = onlyEntry();
    test::FakeTrash trash(folder.path(QStringLiteral("Trash")));
    store.expire(entry, nullptr, 31 * 86400.0, trash);
    EXPECT_FALSE(entry.expiredToTrash);
    EXPECT_TRUE(trash.trashed.empty());
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
}

} // namespace
} // namespace lumbex
