#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "core/error.h"
#include "core/files.h"
#include "core/sha256.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lumbex {
namespace {

void expectMessage(const std::function<void()>& action, const QString& message) {
    try {
        action();
        ADD_FAILURE() << "no failure, expected: " << message.toStdString();
    } catch (const LumbexError& error) {
        EXPECT_EQ(error.message(), message);
    }
}

void link(const QString& target, const QString& at) {
    ASSERT_EQ(::symlink(target.toUtf8().constData(), at.toUtf8().constData()), 0);
}

TEST(CloudPaths, SafePathsPass) {
    for (const char* path :
         {"Notes/A.capturenote/note.json", "Reviews/T-1/Images/x.png", "a", "Reviews/..x/.hidden"})
        EXPECT_NO_THROW(CloudFiles::validatePath(QString::fromUtf8(path))) << path;
}

TEST(CloudPaths, UnsafeFormsAreRefused) {
    const QStringList unsafe = {
        "",   "/Notes/a", "Notes//a", "Notes/./a", "Notes/../a",
        "..", ".",        "Notes/a/", "Notes\\a",  QString("Notes/a") + QChar(0)};
    for (const QString& path : unsafe)
        expectMessage([&] { CloudFiles::validatePath(path); },
                      QString::fromUtf8(CloudMessages::unsafePath));
}

TEST(CloudPaths, ResolveWalksBelowTheResolvedRoot) {
    test::TemporaryFolder folder;
    makeFolders(folder.path("real/Notes"));
    link(folder.path("real"), folder.path("root"));
    const QString resolved = CloudFiles::resolve(folder.path("root"), "Notes/missing/file");
    EXPECT_EQ(resolved, QDir(folder.path("real")).canonicalPath() + "/Notes/missing/file");
}

TEST(CloudPaths, SymbolicLinkAtAnyPartIsRefused) {
    test::TemporaryFolder folder;
    makeFolders(folder.path("root/Notes/real"));
    makeFolders(folder.path("elsewhere"));
    folder.write("root/Notes/real/file", "x");
    folder.write("elsewhere/file", "x");
    link(folder.path("elsewhere"), folder.path("root/Notes/linked"));
    link(folder.path("elsewhere/file"), folder.path("root/Notes/real/linkfile"));
    link(folder.path("root/Notes/real"), folder.path("root/Top"));
    const QString message = QString::fromUtf8(CloudMessages::symbolicLink);
    for (const char* path : {"Notes/linked/file", "Notes/real/linkfile", "Top/file", "Top"})
        expectMessage([&] { CloudFiles::resolve(folder.path("root"), QString::fromUtf8(path)); },
                      message);
    EXPECT_NO_THROW(CloudFiles::resolve(folder.path("root"), "Notes/real/file"));
}

TEST(CloudFilesRecord, GivesSizeAndDigest) {
    test::TemporaryFolder folder;
    const QString file = folder.write("a.bin", "hello");
    EXPECT_EQ(CloudFiles::record("x/a.bin", file),
              (CloudFile{"x/a.bin", sha256Hex(QByteArray("hello")), 5}));
}

TEST(CloudFilesRecord, RefusesWhatIsNotARegularFile) {
    test::TemporaryFolder folder;
    makeFolders(folder.path("dir"));
    const QString file = folder.write("a.bin", "hello");
    link(file, folder.path("link"));
    ASSERT_EQ(::mkfifo(folder.path("fifo").toUtf8().constData(), 0600), 0);
    for (const char* name : {"dir", "link", "fifo", "missing"})
        expectMessage([&] { CloudFiles::record("x", folder.path(QString::fromUtf8(name))); },
                      QString::fromUtf8(CloudMessages::notRegular));
}

TEST(CloudFilesVerify, ComparesPathDigestAndSize) {
    test::TemporaryFolder folder;
    makeFolders(folder.path("Reviews/T"));
    folder.write("Reviews/T/a.png", "hello");
    const CloudFile good{"Reviews/T/a.png", sha256Hex(QByteArray("hello")), 5};
    EXPECT_NO_THROW(CloudFiles::verify(folder.path(), good));
    const QString changed =
        QStringLiteral("A cloud file changed: a.png. Both copies have been kept.");
    CloudFile wrongSize = good;
    wrongSize.bytes = 6;
    expectMessage([&] { CloudFiles::verify(folder.path(), wrongSize); }, changed);
    CloudFile wrongDigest = good;
    wrongDigest.sha256 = QString(64, u'0');
    expectMessage([&] { CloudFiles::verify(folder.path(), wrongDigest); }, changed);
    CloudFile missing = good;
    missing.path = "Reviews/T/b.png";
    expectMessage([&] { CloudFiles::verify(folder.path(), missing); },
                  QStringLiteral("A cloud file changed: b.png. Both copies have been kept."));
}

TEST(CloudFilesCopy, MakesFoldersAndCopiesBytes) {
    test::TemporaryFolder folder;
    QByteArray big(3 << 20, 'q');
    big[12345] = 'z';
    const QString from = folder.write("from.bin", big);
    CloudFiles::copy(from, folder.path("a/b/c/to.bin"));
    EXPECT_EQ(test::fileBytes(folder.path("a/b/c/to.bin")), big);
    EXPECT_THROW(CloudFiles::copy(from, folder.path("a/b/c/to.bin")), LumbexError);
    link(from, folder.path("link"));
    EXPECT_THROW(CloudFiles::copy(folder.path("link"), folder.path("to2")), LumbexError);
    EXPECT_FALSE(QFile::exists(folder.path("to2")));
}

TEST(CloudFilesTitle, MakesSafeFolderNames) {
    const std::vector<std::pair<QString, QString>> rows = {
        {"", "Capture"},
        {"   ", "Capture"},
        {"Login bug: v2/3", "Login bug- v2-3"},
        {"...", "---"},
        {"  padded  ", "padded"},
        {"Ünïcode_ok-1", "Ünïcode_ok-1"},
        {"a\nb", "a-b"},
        {QString(70, u'x'), QString(64, u'x')},
        {QString(63, u'x') + " y", QString(63, u'x')},
    };
    for (const auto& [title, safe] : rows)
        EXPECT_EQ(CloudFiles::safeTitle(title), safe) << title.toStdString();
}

TEST(CloudVerificationMemory, RemembersAndNoticesChanges) {
    test::TemporaryFolder folder;
    const QString file = folder.write("a.bin", "first");
    const CloudFile first{"a.bin", sha256Hex(QByteArray("first")), 5};
    CloudVerification& memory = CloudVerification::shared();
    memory.verify(first, file);
    memory.verify(first, file);
    writeFileAtomically(file, "other");
    expectMessage([&] { memory.verify(first, file); },
                  QString::fromUtf8(CloudMessages::cachedChanged));
    const CloudFile other{"a.bin", sha256Hex(QByteArray("other")), 5};
    EXPECT_NO_THROW(memory.verify(other, file));
    expectMessage([&] { memory.verify(first, file); },
                  QStringLiteral("A cloud file changed: a.bin. Both copies have been kept."));
    // Rewritten with the bytes now expected (a newer publication): no change to report.
    writeFileAtomically(file, "third");
    EXPECT_NO_THROW(memory.verify({"a.bin", sha256Hex(QByteArray("third")), 5}, file));
}

} // namespace
} // namespace lumbex
