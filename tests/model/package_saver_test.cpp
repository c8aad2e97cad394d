#include "core/files.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "model/package_saver.h"
#include "note_fixtures.h"
#include "package_fixtures.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::allKnown;
using test::threeImageNote;

class PackageSaverTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString package = folder.path(QStringLiteral("Note.capturenote"));
    NotePackageContents contents = threeImageNote();

    void expectOnlyThePackageSaved() const {
        EXPECT_EQ(test::entriesIn(folder.path()),
                  (QStringList{QStringLiteral(".Note.capturenote.lock"),
                               QStringLiteral("Note.capturenote")}))
            << "the package and the lock its writers share";
        const NotePackageContents read = readNotePackage(package);
        EXPECT_EQ(read.note, contents.note);
        EXPECT_EQ(read.originals, contents.originals);
    }
};

TEST_F(PackageSaverTest, SavesANewPackageAndReplacesItOnLaterSaves) {
    savePackage(contents, package);
    expectOnlyThePackageSaved();
    contents.note.title = QStringLiteral("Second");
    savePackage(contents, package, allKnown(contents));
    expectOnlyThePackageSaved();
}

TEST_F(PackageSaverTest, FailedSaveKeepsThePreviousPackageAndLeavesNothingBehind) {
    const std::vector<std::tuple<
        const char*, std::function<void(NotePackageContents&, KnownOriginals&)>, std::string>>
        rows = {
            {"missing original",
             [](NotePackageContents& c, KnownOriginals&) { c.originals.erase(c.note.media[2].id); },
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
    savePackage(contents, package);
    const auto saved = test::treeOf(package);
    for (const auto& [name, breakIt, message] : rows) {
        SCOPED_TRACE(name);
        NotePackageContents changed = contents;
        changed.note.title = QStringLiteral("Changed");
        KnownOriginals known = allKnown(changed);
        breakIt(changed, known);
        EXPECT_EQ(test::thrownMessage([&] { savePackage(changed, package, known); }), message);
        EXPECT_EQ(test::treeOf(package), saved);
        expectOnlyThePackageSaved();
    }
}

TEST_F(PackageSaverTest, SweepRemovesInterruptedSavesOfThatPackageOnly) {
    savePackage(contents, package);
    const QString otherNote = temporarySibling(folder.path(QStringLiteral("Other.capturenote")),
                                               QStringLiteral("saving"));
    for (const QString& leftover :
         {temporarySibling(package, QStringLiteral("saving")),
          temporarySibling(package, QStringLiteral("replaced")), otherNote}) {
        ASSERT_TRUE(QDir().mkpath(leftover + QStringLiteral("/assets")));
        writeFileAtomically(leftover + QStringLiteral("/note.json"), "{}");
    }

    sweepStaleSaves(package);
    EXPECT_EQ(test::entriesIn(folder.path()),
              (QStringList{QStringLiteral(".Note.capturenote.lock"),
                           QFileInfo(otherNote).fileName(), QStringLiteral("Note.capturenote")}));
    EXPECT_EQ(readNotePackage(package).note, contents.note);
}

TEST_F(PackageSaverTest, SweepPutsBackAPackageSetAsideWhenNoneIsInPlace) {
    savePackage(contents, package);
    renameNoReplace(package, temporarySibling(package, QStringLiteral("replaced")));
    ASSERT_TRUE(QDir().mkpath(temporarySibling(package, QStringLiteral("saving"))));

    sweepStaleSaves(package);
    expectOnlyThePackageSaved();
}

} // namespace
} // namespace lumbex
