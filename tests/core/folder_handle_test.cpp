#include "core/error.h"
#include "core/file_lock.h"
#include "core/files.h"
#include "core/folder_handle.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

QStringList entries(const QString& path) {
    return QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot |
                                QDir::System);
}

// The error number a failed step reports, or 0 when it succeeds.
int systemErrorOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const LumbexError& error) {
        return error.systemError();
    }
    return 0;
}

TEST(FolderHandle, ChildrenAreNeverReachedThroughALinkOrAFile) {
    test::TemporaryFolder folder;
    test::TemporaryFolder outside;
    ASSERT_TRUE(QFile::link(outside.path(), folder.path("link")));
    folder.write("file", "bytes");
    const FolderHandle handle = FolderHandle::open(folder.path());

    struct Case {
        const char* name;
        int openError;
        int openOrMakeError;
    };
    for (const Case& row :
         {Case{"link", ELOOP, ELOOP}, Case{"file", ENOTDIR, ENOTDIR}, Case{"missing", ENOENT, 0}}) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(systemErrorOf([&] { handle.openChild(row.name); }), row.openError);
        EXPECT_EQ(systemErrorOf([&] { handle.openOrMakeChild(row.name); }), row.openOrMakeError);
        EXPECT_EQ(systemErrorOf([&] { handle.makeChild(row.name); }), EEXIST);
    }
    EXPECT_EQ(handle.openChild("missing").path(), folder.path("missing"));
    EXPECT_EQ(systemErrorOf([&] { handle.readFile("link", 10); }), ELOOP);
    handle.writeFileAtomically("link", "x");
    EXPECT_EQ(entryKind(folder.path("link")), EntryKind::File);
    EXPECT_TRUE(entries(outside.path()).isEmpty())
        << "a link in the way of a write is replaced, never written through";
}

TEST(FolderHandle, AnOpenFolderKeepsItsPlaceWhenItsPathIsSwappedForALink) {
    test::TemporaryFolder folder;
    test::TemporaryFolder outside;
    QDir().mkdir(folder.path("a"));
    const FolderHandle parent = FolderHandle::open(folder.path());
    const FolderHandle child = parent.openChild("a");
    parent.rename("a", "b");
    ASSERT_TRUE(QFile::link(outside.path(), folder.path("a")));

    child.writeFileAtomically("REQUEST.md", "request");
    child.makeChild("images");
    EXPECT_EQ(child.readFile("REQUEST.md", 100), "request");
    EXPECT_EQ(entries(folder.path("b")), (QStringList{"images", "REQUEST.md"}))
        << "no temporary file is left behind";
    EXPECT_TRUE(entries(outside.path()).isEmpty());
}

TEST(FolderHandle, RenameNeverReplacesWhatExists) {
    test::TemporaryFolder folder;
    folder.write("new.txt", "new");
    folder.write("old.txt", "old");
    const FolderHandle handle = FolderHandle::open(folder.path());

    EXPECT_EQ(systemErrorOf([&] { handle.rename("new.txt", "old.txt"); }), EEXIST);
    EXPECT_EQ(handle.readFile("old.txt", 100), "old");
    handle.rename("new.txt", "moved.txt");
    EXPECT_EQ(entries(folder.path()), (QStringList{"moved.txt", "old.txt"}));
}

TEST(FolderHandle, RemovingATreeRemovesLinksAsLinks) {
    test::TemporaryFolder folder;
    test::TemporaryFolder outside;
    outside.write("keep.txt", "keep");
    QDir().mkpath(folder.path("tree/inner"));
    folder.write("tree/inner/file.txt", "x");
    ASSERT_TRUE(QFile::link(outside.path(), folder.path("tree/inner/link")));
    ASSERT_TRUE(QFile::link(outside.path(), folder.path("link")));
    const FolderHandle handle = FolderHandle::open(folder.path());

    handle.removeTree("tree");
    handle.removeTree("link");
    handle.removeTree("missing");
    EXPECT_TRUE(entries(folder.path()).isEmpty());
    EXPECT_EQ(entries(outside.path()), QStringList{"keep.txt"});
}

TEST(FolderHandle, AnOpenFolderIsLockedByOneHolderAtATime) {
    test::TemporaryFolder folder;
    const FolderHandle handle = FolderHandle::open(folder.path());
    {
        const std::optional<FileLock> held = FileLock::tryAcquire(folder.path());
        ASSERT_TRUE(held);
        EXPECT_FALSE(FileLock::tryAcquire(handle)) << "the lock by path is on the same folder";
    }
    const std::optional<FileLock> lock = FileLock::tryAcquire(handle);
    ASSERT_TRUE(lock);
    EXPECT_FALSE(FileLock::tryAcquire(folder.path()));
    EXPECT_FALSE(FileLock::tryAcquire(handle)) << "the handle itself holds no lock";
}

} // namespace
} // namespace lumbex
