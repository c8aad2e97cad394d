#include "command_line_fixture.h"
#include "model/note_coding.h"
#include "model/note_edits.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class NoteEditingTest : public test::CommandLineTest {
protected:
    void SetUp() override {
        ASSERT_EQ(
            lumbex({"note", "create", image("shot.png", 64, 40), "-o", "N.capturenote"}).exitCode,
            0);
    }
    CaptureNote stored() const {
        return decodeNoteJson(test::fileBytes(folder.path("N.capturenote/note.json")));
    }
    QString run(const QStringList& args, int expectedExit = 0) const {
        const test::Result r = lumbex(args);
        EXPECT_EQ(r.exitCode, expectedExit)
            << args.join(' ').toStdString() << ": " << r.err.toStdString();
        return expectedExit == 0 ? r.out : r.err;
    }
};

TEST_F(NoteEditingTest, EachSettingIsOneSavedChange) {
    EXPECT_EQ(
        run({"note", "set", "N.capturenote", "--title", "Login bug", "--general", "Fix it.",
             "--review-only", "on", "--include-image", "1", "on", "--role", "1", "Reference"}),
        "5\n");
    const CaptureNote note = stored();
    EXPECT_EQ(note.title, "Login bug");
    EXPECT_EQ(note.general, "Fix it.");
    EXPECT_TRUE(note.reviewOnly);
    EXPECT_TRUE(note.media[0].includeInRequest);
    EXPECT_EQ(note.media[0].role, MediaRole::Reference);
    EXPECT_EQ(note.revision, 5);
    EXPECT_TRUE(
        run({"note", "set", "N.capturenote", "--review-only", "maybe"}, 2).contains("on or off"));
    EXPECT_EQ(stored().revision, 5) << "a refused command changes nothing";
}

TEST_F(NoteEditingTest, MarksWithLocationNotesGetTheNextNumber) {
    const QStringList first =
        run({"note", "mark", "N.capturenote", "--image", "1", "--kind", "arrow", "--start", "40,30",
             "--end", "10,5", "--color", "red", "--note", "Too small"})
            .trimmed()
            .split(' ');
    ASSERT_EQ(first.size(), 2);
    EXPECT_EQ(first[1], "1");
    const QString plain = run({"note", "mark", "N.capturenote", "--image", "1", "--kind",
                               "rectangle", "--start", "1,1", "--end", "20,20"})
                              .trimmed();
    EXPECT_EQ(plain.split(' ').size(), 1) << "no number without a note";
    const QStringList lens =
        run({"note", "mark", "N.capturenote", "--image", "1", "--kind", "magnify", "--start",
             "30,10", "--end", "60,35", "--center", "5,5", "--note", "Zoom"})
            .trimmed()
            .split(' ');
    EXPECT_EQ(lens.value(1), "2");

    const CaptureNote note = stored();
    ASSERT_EQ(note.marks.size(), 3u);
    EXPECT_EQ(idString(note.marks[0].id), first[0]);
    EXPECT_EQ(note.marks[0].kind, MarkKind::Arrow);
    EXPECT_EQ(note.marks[1].color, "blue") << "record defaults for what is not given";
    ASSERT_EQ(note.notes.size(), 2u);
    EXPECT_EQ(note.notes[1].body, "Zoom");
}

TEST_F(NoteEditingTest, APointerGetsItsLocationNoteAsOnTheCanvas) {
    const CaptureNote before = stored();
    const QStringList printed = run({"note", "mark", "N.capturenote", "--image", "1", "--kind",
                                     "pointer", "--start", "12,8", "--end", "12,8"})
                                    .trimmed()
                                    .split(' ');
    ASSERT_EQ(printed.size(), 2);
    EXPECT_EQ(printed[1], "1");

    const CaptureNote fromCommandLine = stored();
    ASSERT_EQ(fromCommandLine.marks.size(), 1u);
    CaptureNote onCanvas = before;
    edits::addMark(onCanvas, fromCommandLine.marks.back());
    ASSERT_EQ(onCanvas.notes.size(), 1u);
    onCanvas.notes.back().id = fromCommandLine.notes.back().id; // each edit makes a fresh id
    edits::prepareForStorage(onCanvas); // the level the document raises after every change
    onCanvas.revision = fromCommandLine.revision;
    onCanvas.modifiedAt = fromCommandLine.modifiedAt;
    EXPECT_EQ(fromCommandLine, onCanvas);
}

TEST_F(NoteEditingTest, ImagesAreAddedAndRemovedByTheirRules) {
    const QStringList added =
        run({"note", "add-image", "N.capturenote", image("b.png", 10, 10), image("c.png", 12, 8)})
            .trimmed()
            .split('\n');
    ASSERT_EQ(added.size(), 2);
    CaptureNote note = stored();
    ASSERT_EQ(note.media.size(), 3u);
    EXPECT_EQ(note.media[2].role, MediaRole::After);
    EXPECT_EQ(idString(note.media[1].id), added[0]);

    run({"note", "mark", "N.capturenote", "--image", added[0], "--kind", "pointer", "--start",
         "2,2", "--end", "3,3", "--note", "Here"});
    run({"note", "remove-image", "N.capturenote", added[0]});
    note = stored();
    EXPECT_EQ(note.media.size(), 2u);
    EXPECT_TRUE(note.marks.empty());
    ASSERT_EQ(note.notes.size(), 1u);
    EXPECT_FALSE(note.notes[0].markID) << "the note stays, unlinked";

    run({"note", "remove-image", "N.capturenote", "2"});
    EXPECT_EQ(run({"note", "remove-image", "N.capturenote", "1"}, 1),
              "Keep at least one image in this note. Add another frame or image first.\n");
    EXPECT_EQ(stored().media.size(), 1u);
}

TEST_F(NoteEditingTest, RequestAndHandoffFollowThePlan) {
    run({"note", "set", "N.capturenote", "--title", "Login bug", "--general",
         "Make the button fit."});
    const QString markdown = run({"request", "N.capturenote"});
    EXPECT_TRUE(markdown.startsWith("# Login bug\n\nRequest mode: Make changes\n\n"));
    EXPECT_TRUE(markdown.contains("\n## General note\n\nMake the button fit.\n"));

    QDir().mkpath(folder.path("project"));
    const QString clipboard =
        run({"handoff", "N.capturenote", "--project", folder.path("project")});
    const QStringList lines = clipboard.split('\n');
    const QString request = lines.value(3);
    EXPECT_TRUE(request.endsWith("/REQUEST.md"));
    EXPECT_EQ(QString::fromUtf8(test::fileBytes(request)), markdown);
    EXPECT_TRUE(QFileInfo(lines.last()).fileName() == "A-annotated.png");
    EXPECT_EQ(QImage(lines.last()).size(), QSize(64, 40));
}

TEST_F(NoteEditingTest, HandoffRefusesALinkedLumbexFolderAndWritesNothing) {
    run({"note", "set", "N.capturenote", "--general", "Make it wider"});
    test::TemporaryFolder elsewhere;
    QDir().mkpath(folder.path("project"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), folder.path("project/.lumbex")));

    EXPECT_EQ(run({"handoff", "N.capturenote", "--project", folder.path("project")}, 1),
              "The project folder’s “.lumbex” is a symbolic link. Lumbex writes requests only "
              "inside the project folder; nothing was written.\n");
    EXPECT_TRUE(QDir(elsewhere.path())
                    .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
}

} // namespace
} // namespace lumbex
