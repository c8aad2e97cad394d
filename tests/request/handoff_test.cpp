#include "core/file_lock.h"
#include "core/files.h"
#include "model/image_files.h"
#include "model/note_fixtures.h"
#include "request/handoff.h"
#include "request/request_markdown.h"
#include "request/request_plan.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::thrownMessage;

class HandoffTest : public ::testing::Test {
protected:
    test::TemporaryFolder project;
    CaptureNote note = CaptureNote::make();
    std::map<Id, QByteArray> originals;

    HandoffTest() {
        addImage(40, 30, Qt::darkCyan);
        addImage(20, 10, Qt::yellow);
        note.media[0].includeInRequest = true;
        note.media[1].includeInRequest = true;
        note.general = QStringLiteral("Fix the cut-off button.");
        note.revision = 7;
    }
    void addImage(int width, int height, QColor color) {
        const QByteArray png = test::solidPng(width, height, color);
        Media media;
        media.id = newId();
        media.name = QStringLiteral("shot");
        media.width = width;
        media.height = height;
        media.sha256 = ImageFiles::hash(png);
        media.role = note.media.empty() ? MediaRole::Current : MediaRole::After;
        note.media.push_back(media);
        originals.emplace(media.id, png);
    }
    RequestPlan plan() const { return RequestPlan::build(note, note.media.front().id); }
    QString notesFolder() const {
        return project.path(QStringLiteral(".lumbex/handoffs/") + idString(note.id));
    }
    QStringList entries() const { return entriesOf(notesFolder()); }
    static QStringList entriesOf(const QString& folder) {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot |
                                      QDir::System);
    }
    // Every path under a folder, links listed but not followed.
    static QStringList treeOf(const QString& folder) {
        QStringList paths;
        QDirIterator it(folder,
                        QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            paths.append(it.next());
        paths.sort();
        return paths;
    }
};

TEST_F(HandoffTest, WritesAVerifiedRequestFolder) {
    const HandoffResult result = Handoff::prepare(plan(), originals, project.path());

    EXPECT_EQ(entries(), QStringList{QFileInfo(result.directory).fileName()})
        << "no staging folder is left";
    EXPECT_TRUE(parseId(QFileInfo(result.directory).fileName()));
    EXPECT_EQ(QDir(result.directory).entryList(QDir::Files),
              (QStringList{"A-annotated.png", "B-annotated.png", "REQUEST.md"}));
    EXPECT_EQ(result.request, result.directory + "/REQUEST.md");
    EXPECT_EQ(result.images, (QStringList{result.directory + "/A-annotated.png",
                                          result.directory + "/B-annotated.png"}));
    EXPECT_EQ(result.revision, 7);
    EXPECT_EQ(test::fileBytes(result.request), plan().markdown().toUtf8());
    EXPECT_EQ(QImage(result.images[1]).size(), QSize(20, 10));
    for (const auto& [name, digest] : result.hashes)
        EXPECT_EQ(ImageFiles::hash(test::fileBytes(result.directory + u'/' + name)), digest)
            << name.toStdString();
    EXPECT_NO_THROW(result.verify());
    EXPECT_EQ(result.clipboard(), clipboardText(result.request, result.images));
}

TEST_F(HandoffTest, ChangedFilesFailVerification) {
    const HandoffResult result = Handoff::prepare(plan(), originals, project.path());
    writeFileAtomically(result.images[0], test::solidPng(40, 30, Qt::red));
    EXPECT_EQ(thrownMessage([&] { result.verify(); }),
              "A prepared file changed. Copy again to prepare a fresh request.");
    QFile::remove(result.request);
    EXPECT_NE(thrownMessage([&] { result.verify(); }), "");
}

TEST_F(HandoffTest, FailuresLeaveNoFinishedFolder) {
    EXPECT_EQ(thrownMessage([&] { Handoff::prepare(plan(), originals, project.path("missing")); }),
              "The project folder is unavailable. Choose it again.");
    const QString file = project.write("file.txt", "x");
    EXPECT_EQ(thrownMessage([&] { Handoff::prepare(plan(), originals, file); }),
              "The project folder is unavailable. Choose it again.");

    std::map<Id, QByteArray> incomplete = originals;
    incomplete.erase(note.media[1].id);
    EXPECT_EQ(thrownMessage([&] { Handoff::prepare(plan(), incomplete, project.path()); }),
              "An original image is unavailable.");
    EXPECT_TRUE(entries().isEmpty());

    std::map<Id, QByteArray> broken = originals;
    broken[note.media[1].id] = "not an image";
    EXPECT_EQ(thrownMessage([&] { Handoff::prepare(plan(), broken, project.path()); }),
              "The image could not be read, or exceeds 120 megapixels.");
    EXPECT_TRUE(entries().isEmpty()) << "the staging folder is removed after a failed render";
}

TEST_F(HandoffTest, ALinkOrAFileInsideTheProjectIsRefusedAndNothingIsWritten) {
    const QString noteLevel = QStringLiteral(".lumbex/handoffs/") + idString(note.id);
    struct Case {
        QString level;
        bool link;
        QString message;
    };
    const QString linked = QStringLiteral(
        "The project folder’s “%1” is a symbolic link. Lumbex writes requests only inside the "
        "project folder; nothing was written.");
    const QString notAFolder = QStringLiteral(
        "The project folder’s “%1” is not a folder. Move it aside and copy again; nothing was "
        "written.");
    const std::vector<Case> cases = {
        {".lumbex", true, linked.arg(".lumbex")},
        {".lumbex/handoffs", true, linked.arg(".lumbex/handoffs")},
        {noteLevel, true, linked.arg(noteLevel)},
        {".lumbex", false, notAFolder.arg(".lumbex")},
        {".lumbex/handoffs", false, notAFolder.arg(".lumbex/handoffs")},
        {noteLevel, false, notAFolder.arg(noteLevel)},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.level.toStdString() + (row.link ? " as a link" : " as a file"));
        test::TemporaryFolder fresh;
        test::TemporaryFolder elsewhere;
        const QString level = fresh.path(row.level);
        QDir().mkpath(QFileInfo(level).path());
        if (row.link)
            ASSERT_TRUE(QFile::link(elsewhere.path(), level));
        else
            fresh.write(row.level, "notes");
        const QStringList before = treeOf(fresh.path());

        EXPECT_EQ(thrownMessage([&] { Handoff::prepare(plan(), originals, fresh.path()); }),
                  row.message.toStdString());
        EXPECT_TRUE(entriesOf(elsewhere.path()).isEmpty());
        EXPECT_EQ(treeOf(fresh.path()), before);
        EXPECT_EQ(entryKind(level), row.link ? EntryKind::SymbolicLink : EntryKind::File);
    }
}

TEST_F(HandoffTest, AbandonedStagingFoldersAreSweptAndLiveOnesKept) {
    const HandoffResult finished = Handoff::prepare(plan(), originals, project.path());
    const QString stale = QStringLiteral(".preparing-") + idString(newId());
    const QString live = QStringLiteral(".preparing-") + idString(newId());
    for (const QString& staging : {stale, live}) {
        QDir().mkpath(notesFolder() + u'/' + staging + QStringLiteral("/inner"));
        project.write(QStringLiteral(".lumbex/handoffs/%1/%2/A-annotated.png")
                          .arg(idString(note.id), staging),
                      "half written");
    }
    test::TemporaryFolder elsewhere;
    elsewhere.write("keep.txt", "keep");
    ASSERT_TRUE(QFile::link(elsewhere.path(), notesFolder() + QStringLiteral("/.preparing-link")));

    std::optional<FileLock> writer = FileLock::tryAcquire(notesFolder() + u'/' + live);
    ASSERT_TRUE(writer) << "the live preparation's writer holds its lock";
    const HandoffResult second = Handoff::prepare(plan(), originals, project.path());
    QStringList expected{QFileInfo(finished.directory).fileName(),
                         QFileInfo(second.directory).fileName(), live};
    expected.sort();
    EXPECT_EQ(entries(), expected);
    EXPECT_EQ(entriesOf(notesFolder() + u'/' + live), (QStringList{"A-annotated.png", "inner"}));
    EXPECT_EQ(entriesOf(elsewhere.path()), QStringList{"keep.txt"}) << "the link's target stays";
    EXPECT_NO_THROW(finished.verify()) << "a finished request is never touched";

    writer.reset();
    const HandoffResult third = Handoff::prepare(plan(), originals, project.path());
    expected.removeOne(live);
    expected.append(QFileInfo(third.directory).fileName());
    expected.sort();
    EXPECT_EQ(entries(), expected) << "once its writer is gone, its staging folder is swept";
}

} // namespace
} // namespace lumbex
