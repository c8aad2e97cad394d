#include "core/files.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "model/package_saver.h"
#include "note_fixtures.h"
#include "package_fixtures.h"
#include "support/faulty_file_system.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>

// A save broken at any one step (a full disk, an I/O error, a file system that cannot exchange
// two folders or link files) leaves the previous package complete and nothing else behind.
namespace lumbex {
namespace {

using Step = test::FaultyFileSystem::Step;

ino_t inodeOf(const QString& path) {
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status.st_ino;
}

class PackageFaultsTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString package = folder.path(QStringLiteral("Note.capturenote"));
    NotePackageContents contents = test::threeImageNote();
    test::FaultyFileSystem fileSystem;

    void SetUp() override { savePackage(contents, package); }
    // The next save changes the title and knows every original to be in the package.
    std::string saveChanged() {
        NotePackageContents changed = contents;
        changed.note.title = QStringLiteral("Changed");
        return test::thrownMessage(
            [&] { savePackage(changed, package, test::allKnown(changed), fileSystem); });
    }
    QString asset(size_t index) const {
        return package + QStringLiteral("/assets/") + contents.note.media.at(index).filename();
    }
    QStringList entries() const {
        return QDir(folder.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
};

TEST_F(PackageFaultsTest, AStepThatFailsKeepsThePreviousPackageWhole) {
    const QString kept = QStringLiteral(" Your previous save has been kept.");
    const struct {
        const char* name;
        std::vector<std::tuple<Step, int, int>> faults;
        QString message;
    } rows[] = {
        {"disk full writing note.json",
         {{Step::WriteFile, ENOSPC, 0}},
         "Could not save “Note.capturenote”: No space left on device." + kept},
        {"I/O error making the assets folder",
         {{Step::MakeFolder, EIO, 1}},
         "Could not save “Note.capturenote”: Input/output error." + kept},
        {"I/O error flushing the assets",
         {{Step::SyncFolder, EIO, 0}},
         "Could not save “Note.capturenote”: Input/output error." + kept},
        {"no exchange, and the new package cannot be moved in after the old was set aside",
         {{Step::Exchange, EINVAL, 0}, {Step::Rename, EIO, 1}},
         "Could not save “Note.capturenote”: Input/output error." + kept},
    };
    const auto saved = test::treeOf(package);
    const QStringList before = entries();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fileSystem = {};
        for (const auto& [step, error, skip] : row.faults)
            fileSystem.fail(step, error, skip);
        EXPECT_EQ(saveChanged(), row.message.toStdString());
        EXPECT_EQ(test::treeOf(package), saved);
        EXPECT_EQ(entries(), before) << "no staging or set-aside folder is left";
    }
}

TEST_F(PackageFaultsTest, WithoutAnExchangeTheOldPackageIsSetAsideThenRemoved) {
    fileSystem.fail(Step::Exchange, EINVAL);
    EXPECT_EQ(saveChanged(), "");
    EXPECT_EQ(readNotePackage(package).note.title, QStringLiteral("Changed"));
    EXPECT_EQ(fileSystem.calls(Step::Rename), 2) << "old package aside, new one in";
    EXPECT_EQ(entries(), (QStringList{".Note.capturenote.lock", "Note.capturenote"}));
}

// Autosaves of a note with large screenshots must not rewrite its unchanged images.
TEST_F(PackageFaultsTest, UnchangedOriginalsAreLinkedFromThePreviousPackageNotRewritten) {
    const ino_t first = inodeOf(asset(0));
    EXPECT_EQ(saveChanged(), "");
    EXPECT_EQ(fileSystem.calls(Step::HardLink), 3);
    EXPECT_EQ(fileSystem.calls(Step::WriteFile), 1) << "only note.json is written";
    EXPECT_EQ(inodeOf(asset(0)), first) << "the same file, under the new package";

    // Where links cannot be made (another device), the bytes are written instead.
    fileSystem = {};
    for (int call = 0; call < 3; ++call)
        fileSystem.fail(Step::HardLink, EXDEV, call);
    EXPECT_EQ(saveChanged(), "");
    EXPECT_EQ(fileSystem.calls(Step::WriteFile), 4);
    EXPECT_NE(inodeOf(asset(0)), first);
    EXPECT_EQ(readNotePackage(package).originals, contents.originals);
}

} // namespace
} // namespace lumbex
