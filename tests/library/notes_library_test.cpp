#include "library/deleted_notes_store.h"
#include "library/notes_library.h"
#include "support/library_notes.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumbex {
namespace {

QByteArray noteJsonOfSize(const CaptureNote& note, qint64 size) {
    QByteArray json = encodeNoteJson(note);
    json.append(QByteArray(size - json.size(), ' '));
    return json;
}

QStringList pathsOf(const LibraryContents& contents) {
    QStringList out;
    for (const LibraryEntry& entry : contents.entries)
        out.append(entry.url);
    return out;
}

class NotesLibraryTest : public ::testing::Test {
protected:
    test::TemporaryFolder home;
    QString root = home.path(QStringLiteral("Notes"));

    void SetUp() override { makeFolders(root); }

    QString save(const QString& name, Date modifiedAt, const QString& general = {}) {
        NotePackageContents contents = test::noteWithImage(general);
        contents.note.title = name;
        contents.note.modifiedAt = modifiedAt;
        return test::savePackage(root, contents, name);
    }
};

TEST_F(NotesLibraryTest, MixedLibraryListsReadableNotesAndCountsTheRest) {
    const QString good = save(QStringLiteral("good"), 100, QStringLiteral("Login fails"));

    CaptureNote note = CaptureNote::make();
    note.modifiedAt = 50;
    test::writeBarePackage(root, QStringLiteral("oversized"),
                           noteJsonOfSize(note, NotesLibrary::kMaxNoteJsonBytes + 1));
    const QString largest = test::writeBarePackage(
        root, QStringLiteral("largest"), noteJsonOfSize(note, NotesLibrary::kMaxNoteJsonBytes));
    test::writeBarePackage(root, QStringLiteral("garbage"), QByteArray("{not json"));
    QDir(root).mkdir(QStringLiteral("empty.capturenote"));
    CaptureNote newer = CaptureNote::make();
    newer.schemaVersion = 99;
    test::writeBarePackage(root, QStringLiteral("newer"), encodeNoteJson(newer));
    // Decodes but fails the stored-note checks: listed, without a preview.
    NotePackageContents invalid = test::noteWithImage(QStringLiteral("Broken marks"));
    Mark stray;
    stray.id = newId();
    stray.mediaID = newId();
    stray.kind = MarkKind::Rectangle;
    invalid.note.marks.push_back(stray);
    invalid.note.modifiedAt = 10;
    const QString broken =
        test::writeBarePackage(root, QStringLiteral("broken"), encodeNoteJson(invalid.note));
    // Not packages at all.
    test::writeBarePackage(root, QStringLiteral("x"), encodeNoteJson(note));
    QDir(root).rename(QStringLiteral("x.capturenote"), QStringLiteral("x.folder"));
    // A link to a package is never followed.
    QFile::link(good, QDir(root).filePath(QStringLiteral("link.capturenote")));
    QFile::link(QDir(root).filePath(QStringLiteral("gone")),
                QDir(root).filePath(QStringLiteral("dangling.capturenote")));

    // A note.json that is a FIFO (never waited on) or a symbolic link (never followed).
    const QString fifo = QDir(root).filePath(QStringLiteral("fifo.capturenote"));
    makeFolders(fifo);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo + QStringLiteral("/note.json")).constData(), 0600),
              0);
    const QString linked = QDir(root).filePath(QStringLiteral("linked.capturenote"));
    makeFolders(linked);
    QFile::link(good + QStringLiteral("/note.json"), linked + QStringLiteral("/note.json"));

    const LibraryContents contents = NotesLibrary::load(root, {});
    EXPECT_EQ(pathsOf(contents), QStringList({good, largest, broken}));
    // oversized, garbage, empty, newer, dangling link, FIFO, linked note.json; the link to
    // `good` is a duplicate.
    EXPECT_EQ(contents.unreadable, 7);
    EXPECT_TRUE(contents.entries[0].thumbnail.has_value());
    EXPECT_FALSE(contents.entries[2].thumbnail.has_value());
    EXPECT_EQ(contents.entries[2].excerpt, QStringLiteral("Broken marks"));

    // A listing without previews reads the same notes, with the same texts, and no preview.
    const LibraryContents listed = NotesLibrary::load(root, {}, LibraryEntry::Preview::Skipped);
    EXPECT_EQ(pathsOf(listed), pathsOf(contents));
    EXPECT_EQ(listed.unreadable, contents.unreadable);
    for (size_t i = 0; i < listed.entries.size(); ++i) {
        EXPECT_FALSE(listed.entries[i].thumbnail.has_value()) << i;
        EXPECT_EQ(listed.entries[i].searchText, contents.entries[i].searchText) << i;
        EXPECT_EQ(listed.entries[i].excerpt, contents.entries[i].excerpt) << i;
    }
}

TEST_F(NotesLibraryTest, ReadNoteSaysWhyAPackageCannotBeListed) {
    const QString good = save(QStringLiteral("good"), 100);
    CaptureNote newer = CaptureNote::make();
    newer.schemaVersion = 99;
    const QString link = QDir(root).filePath(QStringLiteral("link.capturenote"));
    QFile::link(good, link);
    struct Row {
        QString package;
        std::string message;
    };
    const std::vector<Row> rows = {
        {test::writeBarePackage(
             root, QStringLiteral("big"),
             noteJsonOfSize(CaptureNote::make(), NotesLibrary::kMaxNoteJsonBytes + 1)),
         "The note metadata is too large to open safely."},
        {test::writeBarePackage(root, QStringLiteral("newer"), encodeNoteJson(newer)),
         "This note uses a newer format. Open it with a newer version of Lumbex."},
        {test::writeBarePackage(root, QStringLiteral("empty"), QByteArray()),
         "This is not a complete Lumbex note."},
        {home.path(QStringLiteral("missing.capturenote")), "This is not a complete Lumbex note."},
        {home.write(QStringLiteral("file.capturenote"), "x"),
         "This is not a complete Lumbex note."},
        {link, "“link.capturenote” is a symbolic link. Open the note it points to instead; nothing "
               "was changed."},
    };
    for (const Row& row : rows) {
        std::string message;
        try {
            NotesLibrary::readNote(row.package);
        } catch (const LumbexError& error) {
            message = error.message().toStdString();
        }
        EXPECT_EQ(message, row.message) << row.package.toStdString();
    }
    EXPECT_EQ(NotesLibrary::readNote(good).title, QStringLiteral("good"));
}

TEST_F(NotesLibraryTest, EqualDatesInPathOrderNewestFirst) {
    const QString c = save(QStringLiteral("c"), 200);
    const QString a = save(QStringLiteral("a"), 200);
    const QString b = save(QStringLiteral("b"), 200);
    const QString old = save(QStringLiteral("0-old"), 100);
    const QString fresh = save(QStringLiteral("z-fresh"), 300);
    EXPECT_EQ(pathsOf(NotesLibrary::load(root, {})), QStringList({fresh, a, b, c, old}));
}

TEST_F(NotesLibraryTest, AddsRecentNotesElsewhereWithoutDuplicates) {
    const QString inside = save(QStringLiteral("inside"), 100);
    const QString elsewhere = home.path(QStringLiteral("Projects"));
    makeFolders(elsewhere);
    const QString outside =
        test::savePackage(elsewhere, test::noteWithImage(), QStringLiteral("outside"));
    const QString deletedFolder = home.path(QStringLiteral("Recently Deleted/ABC"));
    makeFolders(deletedFolder);
    const QString deleted =
        test::savePackage(deletedFolder, test::noteWithImage(), QStringLiteral("deleted"));
    const QStringList additional = {
        inside,
        root + QStringLiteral("/../Notes/inside.capturenote"),
        outside,
        outside + u'/',
        deleted,
        home.path(QStringLiteral("missing.capturenote")),
        home.path(QStringLiteral("Projects")),
    };
    const LibraryContents contents = NotesLibrary::load(root, additional);
    QStringList paths = pathsOf(contents);
    paths.sort();
    EXPECT_EQ(paths, QStringList({inside, outside}));
    EXPECT_EQ(contents.unreadable, 0);
}

TEST_F(NotesLibraryTest, RecentlyDeletedFolderIsTheLibrarysSibling) {
    const QString deleted = home.path(QStringLiteral("Recently Deleted"));
    makeFolders(deleted);
    const QString viaLink = home.path(QStringLiteral("trash-link"));
    ASSERT_TRUE(QFile::link(deleted, viaLink));
    EXPECT_TRUE(DeletedNotesStore(root).contains(deleted + QStringLiteral("/A/x.capturenote")));
    EXPECT_TRUE(DeletedNotesStore(root).contains(viaLink + QStringLiteral("/x.capturenote")));
    EXPECT_FALSE(DeletedNotesStore(root).contains(root + QStringLiteral("/x.capturenote")));
    EXPECT_FALSE(
        DeletedNotesStore(root).contains(home.path(QStringLiteral("Recently Deleted 2/x"))));
}

TEST_F(NotesLibraryTest, MissingRootListsOnlyRecentNotes) {
    const QString elsewhere = home.path(QStringLiteral("Projects"));
    makeFolders(elsewhere);
    const QString outside =
        test::savePackage(elsewhere, test::noteWithImage(), QStringLiteral("outside"));
    const LibraryContents contents =
        NotesLibrary::load(home.path(QStringLiteral("NoSuchFolder")), {outside});
    EXPECT_EQ(pathsOf(contents), QStringList({outside}));
    const QString file = home.write(QStringLiteral("file"), "x");
    EXPECT_THROW(NotesLibrary::load(file, {}), LumbexError);
}

TEST_F(NotesLibraryTest, StaleRecognitionDoesNotMakeTheNoteFindable) {
    NotePackageContents contents = test::noteWithImage();
    test::recognize(contents.note, QStringLiteral("Quarterly invoice"), false);
    test::savePackage(root, contents, QStringLiteral("stale"));
    NotePackageContents fresh = test::noteWithImage();
    test::recognize(fresh.note, QStringLiteral("Quarterly report"), true);
    const QString current = test::savePackage(root, fresh, QStringLiteral("current"));
    const LibraryContents loaded = NotesLibrary::load(root, {});
    ASSERT_EQ(loaded.entries.size(), 2u);
    QStringList found;
    for (const LibraryEntry& entry : loaded.entries)
        if (entry.matches(QStringLiteral("quarterly")))
            found.append(entry.url);
    EXPECT_EQ(found, QStringList({current}));
}

} // namespace
} // namespace lumbex
