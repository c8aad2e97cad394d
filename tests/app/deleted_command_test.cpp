#include "core/dates.h"
#include "core/files.h"
#include "library/deleted_notes_store.h"
#include "model/image_import.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QDateTime>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumbex {
namespace {

struct Outcome {
    QProcess::ExitStatus status = QProcess::NormalExit;
    int exitCode = -1;
    QString out;
    QString err;
};

class DeletedCommandTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QString data = folder.path(QStringLiteral("data"));
    QString library = data + QStringLiteral("/Lumbex/Notes");
    DeletedNotesStore store{library};
    NotePackageContents contents = [] {
        NotePackageContents c;
        c.note = CaptureNote::make();
        c.note.title = QStringLiteral("Login form");
        appendImage(c, test::solidPng(30, 20), QStringLiteral("shot"));
        return c;
    }();
    QString packagePath = library + QStringLiteral("/Login form.capturenote");

    void SetUp() override {
        QDir().mkpath(library);
        createNotePackage(contents, packagePath);
    }

    Outcome lumbex(const QStringList& args, const QString& killAfter = {}) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), folder.path(QStringLiteral("home")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), data);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path(QStringLiteral("config")));
        env.remove(QStringLiteral("LUMBEX_KILL_AFTER_STEP"));
        if (!killAfter.isEmpty())
            env.insert(QStringLiteral("LUMBEX_KILL_AFTER_STEP"), killAfter);
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(folder.path());
        process.start(QStringLiteral(LUMBEX_BINARY), args);
        process.waitForFinished(60000);
        return {process.exitStatus(), process.exitCode(),
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    QString deleteNote() {
        const Outcome run = lumbex({QStringLiteral("note"), QStringLiteral("delete"), packagePath});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.out.trimmed();
    }

    std::map<QString, QByteArray> withoutNoteJson(std::map<QString, QByteArray> tree) const {
        tree.erase(QStringLiteral("note.json"));
        return tree;
    }

    // Rounded up to the millisecond, the finest an ISO-8601 time here carries.
    static QString iso(Date when) {
        return QDateTime::fromMSecsSinceEpoch(
                   qint64(std::ceil((when + kReferenceDateUnixSeconds) * 1000.0)), Qt::UTC)
            .toString(Qt::ISODateWithMs);
    }
};

TEST_F(DeletedCommandTest, DeleteMovesTheNoteAndListShowsIt) {
    const auto before = test::treeOf(packagePath);
    const QString id = deleteNote();
    ASSERT_TRUE(parseId(id));
    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
    EXPECT_EQ(test::treeOf(store.package(*parseId(id))), before);

    const Outcome list = lumbex({QStringLiteral("deleted"), QStringLiteral("list")});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out,
              id + QStringLiteral("\tLogin form\t30 days remaining · On this computer\n1 note\n"));

    const Outcome json =
        lumbex({QStringLiteral("deleted"), QStringLiteral("list"), QStringLiteral("--json")});
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(object.value(QStringLiteral("status")).toString(), QStringLiteral("1 note"));
    EXPECT_EQ(object.value(QStringLiteral("unreadable")).toInt(-1), 0);
    const QJsonObject entry = object.value(QStringLiteral("entries")).toArray().at(0).toObject();
    EXPECT_EQ(entry.value(QStringLiteral("id")).toString(), id);
    EXPECT_EQ(entry.value(QStringLiteral("state")).toString(),
              QStringLiteral("30 days remaining · On this computer"));
}

TEST_F(DeletedCommandTest, RefusalsAndUsage) {
    const QString id = deleteNote();
    const Outcome again =
        lumbex({QStringLiteral("note"), QStringLiteral("delete"), store.package(*parseId(id))});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_EQ(again.err,
              QStringLiteral("Restore this note before moving it to Recently Deleted again.\n"));
    EXPECT_EQ(lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), QStringLiteral("x")})
                  .exitCode,
              2);
    EXPECT_EQ(lumbex({QStringLiteral("deleted"), QStringLiteral("expire"), QStringLiteral("--now"),
                      QStringLiteral("soon")})
                  .exitCode,
              2);
    const Outcome unknown =
        lumbex({QStringLiteral("deleted"), QStringLiteral("retry"), idString(newId())});
    EXPECT_EQ(unknown.exitCode, 1);
}

TEST_F(DeletedCommandTest, UnreadableRecordsAreCounted) {
    deleteNote();
    const QString broken = store.root() + u'/' + idString(newId());
    QDir().mkpath(broken);
    writeFileAtomically(broken + QStringLiteral("/record.json"), "not json");
    QDir().mkpath(store.root() + QStringLiteral("/Not an id"));
    const Outcome list = lumbex({QStringLiteral("deleted"), QStringLiteral("list")});
    EXPECT_TRUE(list.out.endsWith(QStringLiteral("\n1 note · 1 unavailable\n")))
        << list.out.toStdString();
}

// The process dies by SIGKILL right after each step of a deletion; a retry finishes the job.
class DeletionKillTest : public DeletedCommandTest,
                         public ::testing::WithParamInterface<const char*> {};

TEST_P(DeletionKillTest, RetryFinishesTheDeletion) {
    const auto before = test::treeOf(packagePath);
    const Outcome killed = lumbex({QStringLiteral("note"), QStringLiteral("delete"), packagePath},
                                  QString::fromLatin1(GetParam()));
    ASSERT_EQ(killed.status, QProcess::CrashExit);
    const auto entries = store.load();
    ASSERT_EQ(entries.size(), 1u);
    const Outcome retry =
        lumbex({QStringLiteral("deleted"), QStringLiteral("retry"), idString(entries[0].id)});
    EXPECT_EQ(retry.exitCode, 0) << retry.err.toStdString();
    EXPECT_EQ(retry.out, QStringLiteral("30 days remaining · On this computer\n"));
    EXPECT_TRUE(store.load().at(0).localArchived);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
    EXPECT_EQ(test::treeOf(store.package(entries[0].id)), before);
}

INSTANTIATE_TEST_SUITE_P(Steps, DeletionKillTest,
                         ::testing::Values("recorded", "moved", "archived"));

// The same for each step of a restore; restoring again finishes it with nothing lost.
class RestoreKillTest : public DeletedCommandTest,
                        public ::testing::WithParamInterface<const char*> {};

TEST_P(RestoreKillTest, RestoreAgainFinishesTheRestore) {
    const auto before = test::treeOf(packagePath);
    const QString id = deleteNote();
    const Outcome killed = lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), id},
                                  QString::fromLatin1(GetParam()));
    ASSERT_EQ(killed.status, QProcess::CrashExit);
    if (!store.load().empty()) {
        const Outcome again = lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), id});
        EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
        EXPECT_EQ(again.out, packagePath + u'\n');
    }
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(entryKind(store.directory(*parseId(id))), EntryKind::Missing);
    const auto after = test::treeOf(packagePath);
    EXPECT_EQ(withoutNoteJson(after), withoutNoteJson(before));
    EXPECT_EQ(decodeNoteJson(after.at(QStringLiteral("note.json"))).revision,
              contents.note.revision + 1);
    EXPECT_NO_THROW(readNotePackage(packagePath));
}

INSTANTIATE_TEST_SUITE_P(Steps, RestoreKillTest,
                         ::testing::Values("restoring", "target", "moved", "digest", "rewritten",
                                           "restored", "unrecorded"));

// A note on another file system is copied into Recently Deleted and back: killed once the copy is
// in place and before the original is removed, the retry finishes with one whole package.
TEST_F(DeletedCommandTest, KilledBetweenCopyAndRemovalAcrossFileSystems) {
    struct stat here {
    }, shm{};
    if (::stat(QFile::encodeName(folder.path()).constData(), &here) != 0 ||
        ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    QTemporaryDir other(QStringLiteral("/dev/shm/lumbex-kill-XXXXXX"));
    const QString far = other.path() + QStringLiteral("/Far.capturenote");
    createNotePackage(contents, far);
    const auto before = test::treeOf(far);

    const Outcome killed =
        lumbex({QStringLiteral("note"), QStringLiteral("delete"), far}, QStringLiteral("copied"));
    ASSERT_EQ(killed.status, QProcess::CrashExit);
    const QString id = killed.out.trimmed();
    ASSERT_TRUE(parseId(id));
    EXPECT_EQ(test::treeOf(far), before);
    const Outcome retry = lumbex({QStringLiteral("deleted"), QStringLiteral("retry"), id});
    EXPECT_EQ(retry.exitCode, 0) << retry.err.toStdString();
    EXPECT_EQ(entryKind(far), EntryKind::Missing);
    EXPECT_EQ(test::treeOf(store.package(*parseId(id))), before);

    const Outcome killedBack = lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), id},
                                      QStringLiteral("copied"));
    ASSERT_EQ(killedBack.status, QProcess::CrashExit);
    const Outcome restore = lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), id});
    EXPECT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    EXPECT_EQ(restore.out, far + u'\n');
    EXPECT_EQ(withoutNoteJson(test::treeOf(far)), withoutNoteJson(before));
    EXPECT_NO_THROW(readNotePackage(far));
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(entryKind(store.directory(*parseId(id))), EntryKind::Missing);
}

TEST_F(DeletedCommandTest, RestoreBesideAnotherFileAtTheOriginalPlace) {
    const QString id = deleteNote();
    QDir().mkpath(packagePath);
    writeFileAtomically(packagePath + QStringLiteral("/other.txt"), "keep me");
    const Outcome restore = lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), id});
    EXPECT_EQ(restore.exitCode, 0) << restore.err.toStdString();
    const QString expected = library + u'/' + idString(contents.note.id) +
                             QStringLiteral("-restored-") + id + QStringLiteral(".capturenote");
    EXPECT_EQ(restore.out, expected + u'\n');
    EXPECT_NO_THROW(readNotePackage(expected));
    EXPECT_EQ(test::treeOf(packagePath).size(), 1u);
    EXPECT_EQ(test::fileBytes(packagePath + QStringLiteral("/other.txt")), "keep me");
}

TEST_F(DeletedCommandTest, RestoreTargetThatBecameALink) {
    const QString id = deleteNote();
    const Outcome killed = lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), id},
                                  QStringLiteral("target"));
    ASSERT_EQ(killed.status, QProcess::CrashExit);
    QDir().mkpath(folder.path(QStringLiteral("elsewhere")));
    ASSERT_TRUE(QFile::link(folder.path(QStringLiteral("elsewhere")), packagePath));
    const Outcome restore = lumbex({QStringLiteral("deleted"), QStringLiteral("restore"), id});
    EXPECT_EQ(restore.exitCode, 1);
    EXPECT_EQ(
        restore.err,
        QStringLiteral("The restore location is a symbolic link. Both copies have been kept.\n"));
    EXPECT_EQ(entryKind(store.package(*parseId(id))), EntryKind::Folder);
    EXPECT_TRUE(QDir(folder.path(QStringLiteral("elsewhere"))).isEmpty());
    // The failure is kept for the list.
    const Outcome list = lumbex({QStringLiteral("deleted"), QStringLiteral("list")});
    EXPECT_TRUE(list.out.contains(QStringLiteral("\tThe restore location is a symbolic link.")));
}

TEST_F(DeletedCommandTest, ExpireMovesThePackageToTheTrashAfterThirtyDays) {
    const auto before = test::treeOf(packagePath);
    const QString id = deleteNote();
    const DeletedNote entry = store.load().at(0);
    const Outcome early =
        lumbex({QStringLiteral("deleted"), QStringLiteral("expire"), QStringLiteral("--now"),
                iso(entry.deletedAt + 29 * 86400.0 + 23 * 3600.0)});
    EXPECT_EQ(early.exitCode, 0) << early.err.toStdString();
    EXPECT_EQ(early.out, QString());
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);

    const Outcome due = lumbex({QStringLiteral("deleted"), QStringLiteral("expire"),
                                QStringLiteral("--now"), iso(entry.deletedAt + 30 * 86400.0)});
    EXPECT_EQ(due.exitCode, 0) << due.err.toStdString();
    EXPECT_EQ(due.out, id + QStringLiteral("\tRecovered from Trash · Restore to use this note\n"));
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Missing);
    EXPECT_TRUE(store.load().at(0).expiredToTrash);
    const QString trashed = data + QStringLiteral("/Trash/files/Note.capturenote");
    EXPECT_EQ(test::treeOf(trashed), before);
    EXPECT_NO_THROW(readNotePackage(trashed));
    const QString info = QString::fromUtf8(
        test::fileBytes(data + QStringLiteral("/Trash/info/Note.capturenote.trashinfo")));
    const QString path =
        QString::fromLatin1(QFile::encodeName(store.package(entry.id)).toPercentEncoding("/"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\[Trash Info\\]\nPath=%1\nDeletionDate="
                                                  "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n$")
                                       .arg(QRegularExpression::escape(path)))
                    .match(info)
                    .hasMatch())
        << info.toStdString();
    EXPECT_TRUE(path.contains(QStringLiteral("Recently%20Deleted")));
}

} // namespace
} // namespace lumbex
