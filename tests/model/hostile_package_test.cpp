#include "core/file_lock.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "model/package_saver.h"
#include "note_fixtures.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// Packages made by someone else (a download, a shared folder, a careless script): a reading never
// follows a link out of the package, never reads without a size limit, and a save never
// replaces what the user did not name.
namespace lumbex {
namespace {

QStringList entriesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

class HostilePackageTest : public ::testing::Test {
public:
    test::TemporaryFolder folder;
    QString package = folder.path(QStringLiteral("Note.capturenote"));
    NotePackageContents contents = [] {
        NotePackageContents c;
        c.note = CaptureNote::make();
        appendImage(c, test::solidPng(40, 30), QStringLiteral("first"));
        return c;
    }();

    void SetUp() override { createNotePackage(contents, package); }
    QString inPackage(const QString& name) const { return package + u'/' + name; }
    QString asset() const { return inPackage("assets/" + contents.note.media[0].filename()); }
    std::string readError() const {
        return test::thrownMessage([&] { readNotePackage(package); });
    }
    // Replaces an entry of the package with a link to a copy of it outside the package.
    void replaceWithLink(const QString& entry) {
        const QString outside = folder.path("outside-" + QFileInfo(entry).fileName());
        ASSERT_TRUE(QFile::rename(entry, outside) || QDir().rename(entry, outside));
        ASSERT_TRUE(QFile::link(outside, entry));
    }
    void rewriteNote(const std::function<void(CaptureNote&)>& change) {
        CaptureNote note = decodeNoteJson(test::fileBytes(inPackage("note.json")));
        change(note);
        writeFileAtomically(inPackage("note.json"), encodeNoteJson(note));
    }
};

TEST_F(HostilePackageTest, OversizedMetadataIsRefusedBeforeItIsRead) {
    for (const qint64 size : {(qint64(8) << 20) + 1, qint64(20) << 30}) {
        QFile json(inPackage("note.json"));
        ASSERT_TRUE(json.open(QIODevice::ReadWrite));
        ASSERT_TRUE(json.resize(size)) << "a sparse file costs no disk";
        json.close();
        EXPECT_EQ(readError(), "The note metadata is too large to open safely.") << size;
    }
}

TEST_F(HostilePackageTest, LinksInsideThePackageAreNeverFollowed) {
    const struct {
        const char* name;
        std::function<QString(HostilePackageTest&)> entry;
        std::string message;
    } rows[] = {
        {"note.json", [](auto& t) { return t.inPackage("note.json"); },
         "This is not a complete Lumbex note."},
        {"assets folder", [](auto& t) { return t.inPackage("assets"); },
         "This is not a complete Lumbex note."},
        {"an original", [](auto& t) { return t.asset(); },
         "An original image is missing or damaged."},
    };
    for (const auto& row : rows) {
        removePath(package);
        createNotePackage(contents, package);
        replaceWithLink(row.entry(*this));
        EXPECT_EQ(readError(), row.message) << row.name;
        removePath(folder.path("outside-" + QFileInfo(row.entry(*this)).fileName()));
    }
}

TEST_F(HostilePackageTest, AnOriginalThatCannotBeARegularFileOrIsTooLongIsDamaged) {
    removePath(asset());
    ASSERT_EQ(::mkfifo(QFile::encodeName(asset()).constData(), 0600), 0);
    EXPECT_EQ(readError(), "An original image is missing or damaged.") << "a FIFO never blocks";

    // Matching digest, but far more bytes than 40 × 30 pixels could need: never read whole.
    removePath(asset());
    const QByteArray padded = test::solidPng(40, 30) + QByteArray(2 << 20, '\0');
    folder.write(QDir(package).relativeFilePath(asset()).prepend("Note.capturenote/"), padded);
    rewriteNote([&](CaptureNote& n) { n.media[0].sha256 = sha256Hex(padded); });
    EXPECT_EQ(readError(), "An original image is missing or damaged.");
}

TEST_F(HostilePackageTest, APackageThatIsALinkIsNeitherReadNorReplaced) {
    const QString link = folder.path(QStringLiteral("Link.capturenote"));
    ASSERT_TRUE(QFile::link(package, link));
    const std::string refused =
        "“Link.capturenote” is a symbolic link. Open the note it points to instead; nothing was "
        "changed.";
    EXPECT_EQ(test::thrownMessage([&] { readNotePackage(link); }), refused);

    NotePackageContents edited = readNotePackage(package);
    edited.note.title = QStringLiteral("Edited through the link");
    EXPECT_EQ(test::thrownMessage([&] { savePackage(edited, link); }), refused);
    EXPECT_EQ(entryKind(link), EntryKind::SymbolicLink);
    EXPECT_EQ(readNotePackage(package).note, contents.note) << "the target is untouched";
}

TEST_F(HostilePackageTest, RecordingSegmentsAreVerifiedWhenThePackageIsRead) {
    const QByteArray movie(4096, 'm');
    const QString source = folder.write("segment.mov", movie);
    RecordingSegment segment = test::makeSegment();
    segment.sha256 = sha256Hex(movie);
    segment.byteCount = movie.size();
    test::attachRecording(contents.note, test::makeRecording(0));
    contents.note.screenRecording->segments.push_back(segment);
    contents.videoFiles.emplace(segment.id, source);
    removePath(package);
    createNotePackage(contents, package);
    const QString file = inPackage("video/" + segment.filename());
    ASSERT_EQ(readError(), "");

    const std::string damaged =
        "A recording segment is missing or damaged. The original note has been kept.";
    const struct {
        const char* name;
        std::function<void()> spoil;
    } rows[] = {
        {"changed", [&] { writeFileAtomically(file, QByteArray(4096, 'x')); }},
        {"cut short", [&] { writeFileAtomically(file, movie.left(100)); }},
        {"a link to a good copy",
         [&] {
             removePath(file);
             QFile::link(source, file);
         }},
        {"missing", [&] { removePath(file); }},
    };
    for (const auto& row : rows) {
        row.spoil();
        EXPECT_EQ(readError(), damaged) << row.name;
    }
}

TEST_F(HostilePackageTest, RevisionsBelowZeroAreRefused) {
    QByteArray json = test::fileBytes(inPackage("note.json"));
    json.replace("\"revision\": 0", "\"revision\": -3");
    writeFileAtomically(inPackage("note.json"), json);
    EXPECT_EQ(readError(), "revision: expected a revision of 0 or more");
}

TEST_F(HostilePackageTest, AFailedWriteNamesThePackageTheUserGave) {
    const QString target = folder.path(QStringLiteral("missing/New.capturenote"));
    EXPECT_EQ(test::thrownMessage([&] { createNotePackage(contents, target); }),
              "Could not save “New.capturenote”: No such file or directory.");
}

// A save in progress holds the package's lock; a sweep (run by the next edit) removes only what
// writers that are gone left behind.
TEST_F(HostilePackageTest, SweepingKeepsTheFolderOfASaveInProgress) {
    const QString stale = temporarySibling(package, QStringLiteral("saving"));
    makeFolder(stale);
    sweepStaleSaves(package);
    EXPECT_EQ(entryKind(stale), EntryKind::Missing) << "nobody holds the lock";

    const QString live = temporarySibling(package, QStringLiteral("saving"));
    makeFolder(live);
    QProcess writer; // another process saving the package
    // -o: the lock is the flock process's alone, so killing it ends the save.
    writer.start(QStringLiteral("flock"),
                 {QStringLiteral("-o"), temporarySiblingPrefix(package) + QStringLiteral("lock"),
                  QStringLiteral("sleep"), QStringLiteral("30")});
    ASSERT_TRUE(writer.waitForStarted());
    while (!QFileInfo::exists(temporarySiblingPrefix(package) + QStringLiteral("lock")) ||
           FileLock::tryAcquire(temporarySiblingPrefix(package) + QStringLiteral("lock")))
        QThread::msleep(10);
    QElapsedTimer clock;
    clock.start();
    sweepStaleSaves(package);
    EXPECT_EQ(entryKind(live), EntryKind::Folder);
    EXPECT_LT(clock.elapsed(), 20000) << "the sweep does not wait for the writer";
    writer.kill();
    writer.waitForFinished();
    sweepStaleSaves(package);
    EXPECT_EQ(entryKind(live), EntryKind::Missing) << "its writer is gone";
    EXPECT_EQ(entriesIn(folder.path()),
              (QStringList{".Note.capturenote.lock", "Note.capturenote"}));
}

} // namespace
} // namespace lumbex
