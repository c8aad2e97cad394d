#include "cloud/cloud_binding.h"
#include "cloud/cloud_files.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "platform/movie_fixtures.h"
#include "recording/recording_journal.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct Outcome {
    QProcess::ExitStatus status = QProcess::NormalExit;
    int exitCode = -1;
    QString out;
    QString err;
};

class SyncCommandTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString data = folder.path("data");
    QString library = data + "/Lumbex/Notes";
    QString sync = folder.path("Sync");
    NotePackageContents contents = [] {
        NotePackageContents c;
        c.note = CaptureNote::make();
        c.note.title = "Login form";
        appendImage(c, test::solidPng(64, 48, Qt::darkCyan), "shot");
        appendImage(c, test::solidPng(32, 24, Qt::red), "second");
        return c;
    }();
    QString package = library + "/Login form.capturenote";

    void SetUp() override {
        makeFolders(library);
        makeFolders(sync + "/.stfolder");
        createNotePackage(contents, package);
    }

    Outcome lumbex(const QStringList& args, int killAfterPlaced = 0) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", folder.path("home"));
        env.insert("XDG_DATA_HOME", data);
        env.insert("XDG_CONFIG_HOME", folder.path("config"));
        env.remove("LUMBEX_KILL_AFTER_PLACED");
        if (killAfterPlaced > 0)
            env.insert("LUMBEX_KILL_AFTER_PLACED", QString::number(killAfterPlaced));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(LUMBEX_BINARY), args);
        process.waitForFinished(120000);
        return {process.exitStatus(), process.exitCode(),
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    QString pointer() const {
        return sync + "/Notes/" + idString(contents.note.id) + ".capturenote/note.json";
    }
    void resave(qint64 revision, const QString& general) {
        contents.note.revision = revision;
        contents.note.general = general;
        removePath(package);
        createNotePackage(contents, package);
    }
    std::map<QString, QByteArray> tree() const { return test::treeOf(sync); }
    // Every pointer in the sync folder names a revision whose manifest and files are complete.
    void expectOnlyCompleteRevisions() const {
        if (!QFileInfo::exists(pointer()))
            return;
        const QByteArray metadata = test::fileBytes(pointer());
        const CaptureNote note = decodeNoteJson(metadata);
        const QString revisions = QFileInfo(pointer()).path() + "/revisions";
        bool found = false;
        for (const QString& name : QDir(revisions).entryList({"*.json"}, QDir::Files)) {
            if (name.endsWith(".note.json"))
                continue;
            const CloudRevision r =
                CloudCoding::decodeRevision(test::fileBytes(revisions + "/" + name));
            const CloudFile* meta = r.file(r.metadata);
            if (!meta || meta->sha256 != sha256Hex(metadata))
                continue;
            found = true;
            for (const CloudFile& file : r.files)
                EXPECT_NO_THROW(CloudFiles::verify(sync, file)) << file.path.toStdString();
        }
        EXPECT_TRUE(found) << "pointer of revision " << note.revision << " has no manifest";
    }
};

TEST_F(SyncCommandTest, ConnectPublishStatusAndImport) {
    Outcome r = lumbex({"sync", "status", package});
    EXPECT_EQ(r.out, "Sync: Off\n");
    r = lumbex({"sync", "connect", package, "--folder", folder.path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), "Choose a folder kept in sync by a sync client or a network "
                               "drive. A local folder does not sync.");
    r = lumbex({"sync", "connect", package, "--folder", sync, "--voice", "off"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo(data + "/Lumbex/Cloud/bindings.json").isFile());

    r = lumbex({"sync", "now", package});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString identifier = r.out.trimmed();
    EXPECT_TRUE(identifier.startsWith("r0-")) << identifier.toStdString();
    const QString manifest = sync + "/Notes/" + idString(contents.note.id) +
                             ".capturenote/revisions/" + identifier + ".json";
    ASSERT_TRUE(QFileInfo(manifest).isFile());
    const QString review = sync + "/Reviews/Login form-" + idString(contents.note.id).left(8);
    EXPECT_TRUE(QFileInfo(review + "/" + identifier + ".pdf").isFile());
    EXPECT_EQ(QDir(review + "/Images").entryList(QDir::Files).size(), 2);
    expectOnlyCompleteRevisions();

    r = lumbex({"sync", "status", package, "--json"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject status = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(status["label"].toString(), "Saved in the sync folder");
    EXPECT_EQ(status["receipt"]["revision"]["identifier"].toString(), identifier);

    // The same revision again: succeeds and writes nothing new.
    const auto before = tree();
    r = lumbex({"sync", "now", package});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), identifier);
    EXPECT_EQ(tree(), before);

    r = lumbex({"sync", "import", manifest});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const NotePackageContents imported = readNotePackage(r.out.trimmed());
    EXPECT_NE(imported.note.id, contents.note.id);
    EXPECT_EQ(imported.originals, contents.originals);
    r = lumbex({"sync", "import", QFileInfo(pointer()).path()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readNotePackage(r.out.trimmed()).originals, contents.originals);

    r = lumbex({"sync", "disable", package});
    EXPECT_EQ(r.out, "Sync: Off · Existing cloud copies kept\n");
    EXPECT_EQ(lumbex({"sync", "now", package}).exitCode, 1);
    EXPECT_EQ(tree(), before);
}

TEST_F(SyncCommandTest, PointerEditedElsewhereStopsSync) {
    ASSERT_EQ(lumbex({"sync", "connect", package, "--folder", sync}).exitCode, 0);
    ASSERT_EQ(lumbex({"sync", "now", package}).exitCode, 0);
    writeFileAtomically(pointer(), test::fileBytes(pointer()).replace("Login form", "Edited"));
    resave(1, "more");
    const auto before = tree();
    const Outcome r = lumbex({"sync", "now", package});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(),
              "The cloud note was changed outside this computer. Automatic sync stopped; both "
              "copies have been kept. Import it as a new local note to review it.");
    EXPECT_EQ(tree(), before);
}

TEST_F(SyncCommandTest, PointerDeletedAfterFirstPublicationIsNotRecreated) {
    ASSERT_EQ(lumbex({"sync", "connect", package, "--folder", sync}).exitCode, 0);
    ASSERT_EQ(lumbex({"sync", "now", package}).exitCode, 0);
    removePath(pointer());
    resave(1, "more");
    const Outcome r = lumbex({"sync", "now", package});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(),
              "The cloud note was removed or is unavailable. It will not be recreated "
              "automatically. Your local note is unchanged.");
    EXPECT_FALSE(QFileInfo::exists(pointer()));
}

TEST_F(SyncCommandTest, KilledPublishNeverLeavesAPointerToAnIncompleteRevision) {
    ASSERT_EQ(lumbex({"sync", "connect", package, "--folder", sync}).exitCode, 0);
    // The first publication has 2 originals, the metadata, the PDF, 2 images, the manifest and
    // the pointer: eight placements.
    for (int killAfter : {1, 3, 6, 7}) {
        const Outcome killed = lumbex({"sync", "now", package}, killAfter);
        EXPECT_EQ(killed.status, QProcess::CrashExit) << killAfter;
        expectOnlyCompleteRevisions();
    }
    ASSERT_EQ(lumbex({"sync", "now", package}).exitCode, 0);
    expectOnlyCompleteRevisions();
    resave(1, "second");
    for (int killAfter : {2, 5, 7}) {
        const Outcome killed = lumbex({"sync", "now", package}, killAfter);
        EXPECT_EQ(killed.status, QProcess::CrashExit) << killAfter;
        expectOnlyCompleteRevisions();
    }
    const Outcome done = lumbex({"sync", "now", package});
    ASSERT_EQ(done.exitCode, 0) << done.err.toStdString();
    EXPECT_TRUE(done.out.startsWith("r1-"));
    EXPECT_EQ(decodeNoteJson(test::fileBytes(pointer())).revision, 1);
    expectOnlyCompleteRevisions();
    for (QDirIterator it(sync, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        EXPECT_FALSE(it.next().contains("/.Lumbex-")) << it.filePath().toStdString();
}

TEST_F(SyncCommandTest, DeleteWithCloudMovesSyncedCopiesAndRestoreBringsThemBack) {
    ASSERT_EQ(lumbex({"sync", "connect", package, "--folder", sync}).exitCode, 0);
    ASSERT_EQ(lumbex({"sync", "now", package}).exitCode, 0);
    const auto before = tree();
    Outcome r = lumbex({"note", "delete", package, "--with-cloud"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString deletion = r.out.trimmed();
    EXPECT_FALSE(QFileInfo::exists(pointer()));
    EXPECT_TRUE(QFileInfo(sync + "/Recently Deleted/" + deletion + "/deletion.json").isFile());
    r = lumbex({"deleted", "restore", deletion});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    auto after = tree();
    std::erase_if(after, [](const auto& e) { return e.first.startsWith("Recently Deleted"); });
    EXPECT_EQ(after, before);
    const QString restored = r.out.trimmed();
    const auto binding = CloudBindings(data + "/Lumbex/Cloud").binding(contents.note.id);
    ASSERT_TRUE(binding) << test::fileBytes(data + "/Lumbex/Cloud/bindings.json").toStdString();
    EXPECT_EQ(binding->localNote, restored);
}

// A note with a screen recording publishes its reader video beside the PDF, verified like every
// other file, and republishing reuses it.
TEST_F(SyncCommandTest, ARecordingIsPublishedAsAReaderVideo) {
    const QString pending = folder.path("pending");
    makeFolders(pending);
    RecordingJournal journal = RecordingJournal::make();
    journal.recording.title = "Demo";
    journal.completed = true;
    for (const QColor colour : {QColor(Qt::red), QColor(Qt::blue)}) {
        const Id id = newId();
        const QString movie = pending + "/" + idString(id) + ".mov";
        test::writeMovie(test::movieSettings(movie),
                         {{0, colour}, {2'000'000 - kRecordingFrameMicroseconds, colour}},
                         2'000'000);
        journal.recording.segments.push_back(inspectRecordingSegment(movie, id));
    }
    journal.save(pending);
    const QString recorded = library + "/Demo.capturenote";
    Outcome r = lumbex({"recording", "recover", pending, "-o", recorded});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(lumbex({"sync", "connect", recorded, "--folder", sync}).exitCode, 0);

    r = lumbex({"sync", "now", recorded});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString identifier = r.out.trimmed();
    const Id noteID = readNotePackage(recorded).note.id;
    const CloudRevision revision = CloudCoding::decodeRevision(test::fileBytes(
        sync + "/Notes/" + idString(noteID) + ".capturenote/revisions/" + identifier + ".json"));
    ASSERT_TRUE(revision.readerVideo);
    ASSERT_TRUE(revision.file(*revision.readerVideo));
    const QString video = sync + "/" + *revision.readerVideo;
    EXPECT_NO_THROW(CloudFiles::verify(sync, *revision.file(*revision.readerVideo)));
    const auto streams = test::probeMovie(video);
    ASSERT_FALSE(streams.empty()) << video.toStdString();
    EXPECT_EQ(streams[0].codec, AV_CODEC_ID_H264);
    EXPECT_NEAR(double(streams[0].endUs()), 4'000'000.0, 100'000.0);

    const auto before = tree();
    r = lumbex({"sync", "now", recorded});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.trimmed(), identifier);
    EXPECT_EQ(tree(), before);
}

} // namespace
} // namespace lumbex
