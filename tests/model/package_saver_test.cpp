#include "core/error.h"
#include "core/files.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "model/package_saver.h"
#include "note_fixtures.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QImageWriter>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumbex {
namespace {

NotePackageContents threeImageNote() {
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    appendImage(contents, test::solidPng(40, 30, Qt::darkCyan), QStringLiteral("first"));
    appendImage(contents, test::solidPng(20, 10, Qt::yellow), QStringLiteral("second"));
    appendImage(contents, test::solidPng(30, 30, Qt::red), QStringLiteral("third"));
    return contents;
}

// Everything the save does to and from disk in one step: what can be linked and what is known.
KnownOriginals allKnown(const NotePackageContents& contents) {
    KnownOriginals known;
    for (const Media& media : contents.note.media) {
        known.digests.emplace(media.id, media.sha256);
        known.inPackage.insert(media.id);
    }
    return known;
}

// Every file below `folder` with its bytes, by relative path.
std::map<QString, QByteArray> treeOf(const QString& folder) {
    std::map<QString, QByteArray> tree;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.emplace(QDir(folder).relativeFilePath(path), readFile(path));
    }
    return tree;
}

QStringList entriesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

ino_t inodeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_ino;
}

class PackageSaverTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString package = folder.path(QStringLiteral("Note.capturenote"));

    QString assetPath(const Media& media) const {
        return package + QStringLiteral("/assets/") + media.filename();
    }
};

TEST_F(PackageSaverTest, SavesANewPackageAndReplacesItOnLaterSaves) {
    NotePackageContents contents = threeImageNote();
    savePackage(contents, package);
    EXPECT_EQ(readNotePackage(package).note, contents.note);

    for (const QString& title : {QStringLiteral("Second"), QStringLiteral("Third")}) {
        contents.note.title = title;
        savePackage(contents, package, allKnown(contents));
        const NotePackageContents read = readNotePackage(package);
        EXPECT_EQ(read.note, contents.note);
        EXPECT_EQ(read.originals, contents.originals);
    }
    EXPECT_EQ(entriesIn(folder.path()), QStringList{QStringLiteral("Note.capturenote")});
}

TEST_F(PackageSaverTest, LinksOriginalsTheReplacedPackageAlreadyHolds) {
    NotePackageContents contents = threeImageNote();
    savePackage(contents, package);
    std::map<Id, ino_t> before;
    for (const Media& media : contents.note.media)
        before[media.id] = inodeOf(assetPath(media));

    contents.note.title = QStringLiteral("Renamed");
    KnownOriginals known = allKnown(contents);
    const Media& rewritten = contents.note.media[1];
    known.inPackage.erase(rewritten.id);
    savePackage(contents, package, known);

    for (const Media& media : contents.note.media)
        EXPECT_EQ(inodeOf(assetPath(media)) == before[media.id], media.id != rewritten.id)
            << media.name.toStdString();
    EXPECT_EQ(readNotePackage(package).originals, contents.originals);
}

TEST_F(PackageSaverTest, WritesAnOriginalWhoseOldFileCannotBeTheSame) {
    NotePackageContents contents = threeImageNote();
    savePackage(contents, package);
    const Media& first = contents.note.media.front();
    // A file of another size cannot hold the caller's bytes, whatever the caller believes.
    writeFileAtomically(assetPath(first), QByteArray("truncated"));

    savePackage(contents, package, allKnown(contents));
    EXPECT_EQ(readNotePackage(package).originals, contents.originals);
}

TEST_F(PackageSaverTest, FailedSaveKeepsThePreviousPackageAndLeavesNothingBehind) {
    struct Row {
        const char* name;
        std::function<void(NotePackageContents&, KnownOriginals&)> breakIt;
        std::string message;
    };
    const std::vector<Row> rows = {
        {"missing original",
         [](NotePackageContents& c, KnownOriginals& k) {
             c.originals.erase(c.note.media[2].id);
             k = {};
         },
         "An original image is missing. Your previous save has been kept."},
        {"known digest differs from the note's",
         [](NotePackageContents& c, KnownOriginals& k) {
             k.digests[c.note.media[0].id] = test::digest('e');
         },
         "An original image is missing. Your previous save has been kept."},
        {"invalid note",
         [](NotePackageContents& c, KnownOriginals&) {
             c.note.marks.push_back(test::makeMark(c.note.media[0], MarkKind::Magnify));
         },
         "Magnified annotations require note format 6."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        removePath(package);
        NotePackageContents contents = threeImageNote();
        savePackage(contents, package);
        const auto saved = treeOf(package);

        contents.note.title = QStringLiteral("Changed");
        KnownOriginals known = allKnown(contents);
        row.breakIt(contents, known);
        EXPECT_EQ(test::thrownMessage([&] { savePackage(contents, package, known); }), row.message);
        EXPECT_EQ(treeOf(package), saved);
        EXPECT_EQ(entriesIn(folder.path()), QStringList{QStringLiteral("Note.capturenote")});
    }
}

TEST_F(PackageSaverTest, SweepRemovesInterruptedSavesOfThatPackageOnly) {
    const NotePackageContents contents = threeImageNote();
    savePackage(contents, package);
    const QString staging = temporarySibling(package, QStringLiteral("saving"));
    const QString replaced = temporarySibling(package, QStringLiteral("replaced"));
    const QString otherNote = temporarySibling(folder.path(QStringLiteral("Other.capturenote")),
                                               QStringLiteral("saving"));
    for (const QString& leftover : {staging, replaced, otherNote}) {
        ASSERT_TRUE(QDir().mkpath(leftover + QStringLiteral("/assets")));
        folder.write(QDir(folder.path()).relativeFilePath(leftover) + QStringLiteral("/note.json"),
                     "{}");
    }

    sweepStaleSaves(package);
    EXPECT_EQ(entriesIn(folder.path()),
              (QStringList{QFileInfo(otherNote).fileName(), QStringLiteral("Note.capturenote")}));
    EXPECT_EQ(readNotePackage(package).note, contents.note);
}

TEST_F(PackageSaverTest, SweepPutsBackAPackageSetAsideWhenNoneIsInPlace) {
    const NotePackageContents contents = threeImageNote();
    savePackage(contents, package);
    const QString aside = temporarySibling(package, QStringLiteral("replaced"));
    const QString staging = temporarySibling(package, QStringLiteral("saving"));
    renameNoReplace(package, aside);
    ASSERT_TRUE(QDir().mkpath(staging));

    sweepStaleSaves(package);
    EXPECT_EQ(entriesIn(folder.path()), QStringList{QStringLiteral("Note.capturenote")});
    EXPECT_EQ(readNotePackage(package).note, contents.note);
}

} // namespace
} // namespace lumbex
