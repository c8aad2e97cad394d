#include "core/error.h"
#include "core/files.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

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

} // namespace
} // namespace lumbex
