#include "core/error.h"
#include "core/file_lock.h"
#include "core/files.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumbex {
namespace {

TEST(Files, RenameNeverReplacesWhatExists) {
    test::TemporaryFolder folder;
    const QString file = folder.write("new.txt", "new");
    const QString existing = folder.write("old.txt", "old");
    QDir().mkdir(folder.path("folder"));

    EXPECT_THROW(renameNoReplace(file, existing), LumbexError);
    EXPECT_THROW(renameNoReplace(file, folder.path("folder")), LumbexError);
    EXPECT_EQ(readFile(existing, 100), "old");
    EXPECT_EQ(readFile(file, 100), "new");

    renameNoReplace(file, folder.path("moved.txt"));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_EQ(readFile(folder.path("moved.txt"), 100), "new");
}

TEST(Files, AtomicWriteReplacesWholeOrNothing) {
    test::TemporaryFolder folder;
    const QString path = folder.write("a.txt", "before");
    writeFileAtomically(path, "after");
    EXPECT_EQ(readFile(path, 100), "after");

    EXPECT_THROW(writeFileAtomically(folder.path("missing/a.txt"), "x"), LumbexError);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"a.txt"})
        << "no temporary file is left behind";
}

TEST(Files, ReadingNamesWhatWentWrong) {
    test::TemporaryFolder folder;
    QDir().mkdir(folder.path("shots.png"));
    try {
        readFile(folder.path("shots.png"), 100);
        FAIL() << "a folder was read as a file";
    } catch (const LumbexError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("“shots.png” is a folder, not a file."));
    }
    EXPECT_THROW(readFile(folder.path("nowhere.png"), 100), LumbexError);
}

TEST(Files, PartsOfAFileAreReadWhereverTheyLie) {
    test::TemporaryFolder folder;
    const InputFile file(folder.write("parts.bin", "0123456789"));
    // Offset, count, and the bytes read: fewer at the end, none past it.
    const std::tuple<qint64, qint64, QByteArray> rows[] = {
        {0, 4, "0123"}, {6, 3, "678"}, {8, 5, "89"}, {10, 1, ""}, {20, 4, ""}};
    for (const auto& [offset, count, bytes] : rows)
        EXPECT_EQ(file.read(offset, count), bytes) << offset << '+' << count;
}

TEST(Files, NewFilesAreNeverOverwritten) {
    test::TemporaryFolder folder;
    const QString path = folder.write("a.txt", "first");
    EXPECT_THROW(writeNewFileDurably(path, "second"), LumbexError);
    EXPECT_EQ(readFile(path, 100), "first");
    writeNewFileDurably(folder.path("b.txt"), "bytes");
    EXPECT_EQ(readFile(folder.path("b.txt"), 100), "bytes");
}

QString messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& e) {
        return e.message();
    }
    return QStringLiteral("(no error)");
}

// Each row is something a hostile or careless caller names instead of a small regular file. None
// may block, read without end or follow a link; each gets a message naming what was given.
TEST(Files, ReadingRefusesWhatIsNotASmallRegularFile) {
    test::TemporaryFolder folder;
    const QString target = folder.write("real.png", "secret");
    const QString link = folder.path("link.png");
    ASSERT_TRUE(QFile::link(target, link));
    const QString fifo = folder.path("pipe.png");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    folder.write("big.png", QByteArray(101, 'x'));

    const struct {
        QString path;
        QString message;
    } rows[] = {
        {link, "“link.png” is a symbolic link. Name the file it points to."},
        {fifo, "“pipe.png” is not a regular file."},
        {"/dev/zero", "“zero” is not a regular file."},
        {folder.path("big.png"), "“big.png” is too large to open safely."},
        {folder.path("gone.png"), "Could not open “gone.png”: No such file or directory."},
    };
    for (const auto& row : rows)
        EXPECT_EQ(messageOf([&] { readFile(row.path, 100); }), row.message)
            << row.path.toStdString();
    EXPECT_EQ(messageOf([&] { readFile(folder.path("big.png"), 100, "Too big."); }), "Too big.");
}

TEST(Files, AWriteReplacesASymbolicLinkInsteadOfWritingThroughIt) {
    test::TemporaryFolder folder;
    const QString target = folder.write("outside.txt", "keep");
    const QString link = folder.path("out.txt");
    ASSERT_TRUE(QFile::link(target, link));

    writeFileAtomically(link, "new");
    EXPECT_EQ(entryKind(link), EntryKind::File);
    EXPECT_EQ(readFile(link, 100), "new");
    EXPECT_EQ(readFile(target, 100), "keep");

    ASSERT_TRUE(QFile::link(target, folder.path("new.txt")));
    EXPECT_THROW(writeNewFileDurably(folder.path("new.txt"), "x"), LumbexError);
    EXPECT_EQ(readFile(target, 100), "keep");
}

TEST(Files, TemporaryNamesFitTheFileSystemForAnyTarget) {
    test::TemporaryFolder folder;
    const QString longName = QString(120, u'é') + QStringLiteral(".capturenote"); // 252 bytes
    const QString otherLongName = QString(120, u'é') + QStringLiteral(".capturenotf");
    const QString temporary = temporarySibling(folder.path(longName), "replaced");
    EXPECT_LE(QFileInfo(temporary).fileName().toUtf8().size(), 255);
    EXPECT_TRUE(temporary.startsWith(temporarySiblingPrefix(folder.path(longName))));
    EXPECT_NE(temporarySiblingPrefix(folder.path(longName)),
              temporarySiblingPrefix(folder.path(otherLongName)))
        << "long names that differ only at the end keep apart";
    writeNewFileDurably(temporary, "x");
    EXPECT_EQ(temporarySiblingPrefix(folder.path("a.txt")), folder.path(".a.txt."));
}

TEST(Files, ALockExcludesEveryOtherHolderUntilReleased) {
    test::TemporaryFolder folder;
    const QString file = folder.path("note.lock");
    {
        FileLock held = FileLock::acquire(file);
        EXPECT_FALSE(FileLock::tryAcquire(file).has_value());
        EXPECT_EQ(FileLock::open(file).identity(), held.identity());
    }
    EXPECT_TRUE(FileLock::tryAcquire(file).has_value());
    ASSERT_TRUE(QFile::link(file, folder.path("link.lock")));
    EXPECT_FALSE(FileLock::tryAcquire(folder.path("link.lock")).has_value())
        << "a lock is never taken through a link";
}

} // namespace
} // namespace lumbex
