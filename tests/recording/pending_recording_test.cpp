#include "core/sha256.h"
#include "recording/pending_recording.h"
#include "recording/recording_journal.h"
#include "recording_fixtures.h"

#include <QFile>
#include <QSettings>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace lumbex {
namespace {

const QString kUnrecognized = QStringLiteral("Unrecognized Recording");
const QString kUnreadableDetail = QStringLiteral(
    "Recording information could not be read. Original files are available in Show Files.");
const QString kSavedDetail =
    QStringLiteral("Saved recording files · Review the recovered footage before using it.");
const QString kInterruptedDetail =
    QStringLiteral("Interrupted recording · The final moments may be missing.");

// A "Pending Recordings" folder with recording folders in it.
class PendingRecordings : public ::testing::Test {
protected:
    test::TemporaryFolder temporary;
    QString root = pendingRecordingsFolder(temporary.path(QStringLiteral("Notes")));
    QSettings settings{temporary.path(QStringLiteral("settings.ini")), QSettings::IniFormat};

    void SetUp() override { QDir().mkpath(root); }

    QString folder(const QString& name) const { return QDir(root).filePath(name); }

    // A recording folder holding `journal` (and no segment files: reading never needs them).
    QString add(const QString& name, const RecordingJournal& journal) const {
        return add(name, journal.encode());
    }
    QString add(const QString& name, const QByteArray& journalBytes) const {
        QDir().mkpath(folder(name));
        test::RecordingFolder::writeFile(QDir(folder(name)).filePath(kRecordingJournalFile),
                                         journalBytes);
        return folder(name);
    }
    static RecordingJournal journalAt(Date createdAt,
                                      const QString& title = QStringLiteral("Demo")) {
        RecordingJournal journal = RecordingJournal::make();
        journal.recording.createdAt = createdAt;
        journal.recording.title = title;
        return journal;
    }
    std::vector<QString> discovered(const std::map<QString, QString>& reviewed = {},
                                    const QString& excluding = {}) const {
        std::vector<QString> names;
        for (const PendingRecording& p : PendingRecording::discover(root, reviewed, excluding))
            names.push_back(QDir(root).relativeFilePath(p.directory));
        return names;
    }
};

TEST_F(PendingRecordings, TheFolderLivesInTheLibrary) {
    EXPECT_EQ(pendingRecordingsFolder(QStringLiteral("/home/a/Notes")),
              QStringLiteral("/home/a/Notes/Pending Recordings"));
}

TEST_F(PendingRecordings, OnlyRealFoldersWithAJournalFileAreRecordings) {
    const QString real = add(QStringLiteral("real"), journalAt(10));
    const struct {
        const char* name;
        std::function<QString()> make;
    } rows[] = {
        {"missing", [&] { return folder(QStringLiteral("missing")); }},
        {"a file",
         [&] {
             test::RecordingFolder::writeFile(folder(QStringLiteral("file")), "x");
             return folder(QStringLiteral("file"));
         }},
        {"a link to a recording folder",
         [&] {
             QFile::link(real, folder(QStringLiteral("link")));
             return folder(QStringLiteral("link"));
         }},
        {"no journal",
         [&] {
             QDir().mkpath(folder(QStringLiteral("empty")));
             return folder(QStringLiteral("empty"));
         }},
        {"the journal a link",
         [&] {
             QDir().mkpath(folder(QStringLiteral("linked")));
             QFile::link(QDir(real).filePath(kRecordingJournalFile),
                         QDir(folder(QStringLiteral("linked"))).filePath(kRecordingJournalFile));
             return folder(QStringLiteral("linked"));
         }},
        {"the journal a folder",
         [&] {
             QDir().mkpath(QDir(folder(QStringLiteral("nested"))).filePath(kRecordingJournalFile));
             return folder(QStringLiteral("nested"));
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(PendingRecording::read(row.make()));
    }
    EXPECT_EQ(discovered(), std::vector<QString>{QStringLiteral("real")});
}

TEST_F(PendingRecordings, AReadableJournalGivesItsTitleDateAndSignature) {
    const RecordingJournal journal = journalAt(700000000.25, QStringLiteral("Checkout bug"));
    const QString path = add(QStringLiteral("a"), journal);
    const std::optional<PendingRecording> pending = PendingRecording::read(path);
    ASSERT_TRUE(pending);
    EXPECT_EQ(*pending, (PendingRecording{path, QStringLiteral("Checkout bug"), 700000000.25,
                                          kSavedDetail, sha256Hex(journal.encode())}));
}

TEST_F(PendingRecordings, AJournalOfUpToOneMebibyteIsRead) {
    const QByteArray bytes = journalAt(10).encode();
    const struct {
        qsizetype size;
        bool recognized;
    } rows[] = {{1'048'576, true}, {1'048'577, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.size);
        const QByteArray padded = bytes + QByteArray(row.size - bytes.size(), ' ');
        const QString path = add(QString::number(row.size), padded);
        const std::optional<PendingRecording> pending = PendingRecording::read(path);
        ASSERT_TRUE(pending);
        EXPECT_EQ(pending->title, row.recognized ? QStringLiteral("Demo") : kUnrecognized);
        EXPECT_EQ(pending->signature,
                  row.recognized ? std::optional(sha256Hex(padded)) : std::nullopt);
    }
}

TEST_F(PendingRecordings, AnUnreadableJournalIsListedByItsModificationDate) {
    const QByteArray valid = journalAt(10).encode();
    const struct {
        const char* name;
        QByteArray bytes;
    } rows[] = {
        {"not JSON", "{ recording"},
        {"a wrong type", QByteArray(valid).replace("\"completed\": false", "\"completed\": 0")},
        {"too large", valid + QByteArray(1 << 20, ' ')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = add(QString::fromLatin1(row.name), row.bytes);
        // 2001-01-01 00:01:40 UTC: 100 seconds after the reference date.
        const struct timespec times[2] = {{978307300, 0}, {978307300, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD,
                              QDir(path).filePath(kRecordingJournalFile).toLocal8Bit().constData(),
                              times, 0),
                  0);
        EXPECT_EQ(PendingRecording::read(path),
                  (PendingRecording{path, kUnrecognized, 100, kUnreadableDetail, std::nullopt}));
    }
}

TEST_F(PendingRecordings, TitlesAreTrimmed) {
    const struct {
        QString stored;
        QString shown;
    } rows[] = {
        {QStringLiteral("  Demo \n"), QStringLiteral("Demo")},
        {QStringLiteral("\tTwo words\r\n"), QStringLiteral("Two words")},
        {QStringLiteral(" \n\t "), kUnrecognized},
        {QString(), kUnrecognized},
    };
    int index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored.toStdString());
        const QString path = add(QString::number(index++), journalAt(10, row.stored));
        EXPECT_EQ(PendingRecording::read(path)->title, row.shown);
    }
}

TEST_F(PendingRecordings, TheDetailSaysWhatHappenedToTheRecording) {
    RecordingJournal saved = journalAt(10);
    saved.completed = true;
    RecordingJournal interrupted = journalAt(10);
    interrupted.activeSegment = newId();
    RecordingJournal newer = interrupted;
    newer.version = 2;
    const struct {
        const char* name;
        RecordingJournal journal;
        QString detail;
    } rows[] = {
        {"stopped", saved, kSavedDetail},
        {"interrupted", interrupted, kInterruptedDetail},
        {"a newer version", newer,
         QStringLiteral("This recording needs a newer version of Lumbex.")},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::optional<PendingRecording> pending =
            PendingRecording::read(add(QString::fromLatin1(row.name), row.journal));
        EXPECT_EQ(pending->detail, row.detail);
        EXPECT_EQ(pending->title, QStringLiteral("Demo"));
        EXPECT_TRUE(pending->signature);
    }
}

TEST_F(PendingRecordings, NewestFirstAndEqualDatesByPath) {
    add(QStringLiteral("b"), journalAt(50));
    add(QStringLiteral("old"), journalAt(10));
    add(QStringLiteral("a"), journalAt(50));
    add(QStringLiteral("new"), journalAt(90));
    add(QStringLiteral("c"), journalAt(50));
    EXPECT_EQ(discovered(),
              (std::vector<QString>{QStringLiteral("new"), QStringLiteral("a"), QStringLiteral("b"),
                                    QStringLiteral("c"), QStringLiteral("old")}));
}

TEST_F(PendingRecordings, TheRecordingInProgressIsLeftOut) {
    add(QStringLiteral("done"), journalAt(10));
    const QString current = add(QStringLiteral("current"), journalAt(20));
    // Named through a link to the library: the same folder all the same.
    const QString linkedRoot = temporary.path(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(root, linkedRoot));
    EXPECT_EQ(discovered({}, QDir(linkedRoot).filePath(QStringLiteral("current"))),
              std::vector<QString>{QStringLiteral("done")});
    EXPECT_EQ(discovered({}, current), std::vector<QString>{QStringLiteral("done")});
}

TEST_F(PendingRecordings, AMissingRootHasNoRecordings) {
    EXPECT_TRUE(PendingRecording::discover(temporary.path(QStringLiteral("none")), {}).empty());
}

TEST_F(PendingRecordings, AReviewedJournalStaysHiddenUntilItChanges) {
    const QString path = add(QStringLiteral("a"), journalAt(10));
    add(QStringLiteral("b"), journalAt(20));
    PendingRecording::read(path)->rememberSavedCopy(settings);
    EXPECT_EQ(discovered(PendingRecording::reviewed(settings)),
              std::vector<QString>{QStringLiteral("b")});

    RecordingJournal changed = journalAt(10);
    changed.issue = QStringLiteral("Disk full.");
    add(QStringLiteral("a"), changed);
    EXPECT_EQ(discovered(PendingRecording::reviewed(settings)),
              (std::vector<QString>{QStringLiteral("b"), QStringLiteral("a")}));
}

TEST_F(PendingRecordings, ASavedCopyIsRememberedOnlyWhileTheJournalIsUnchanged) {
    const QString path = add(QStringLiteral("a"), journalAt(10));
    const PendingRecording before = *PendingRecording::read(path);
    add(QStringLiteral("a"), journalAt(11));
    before.rememberSavedCopy(settings);
    EXPECT_TRUE(PendingRecording::reviewed(settings).empty());

    const PendingRecording now = *PendingRecording::read(path);
    now.rememberSavedCopy(settings);
    EXPECT_EQ(PendingRecording::reviewed(settings),
              (std::map<QString, QString>{{now.key(), *now.signature}}));
}

TEST_F(PendingRecordings, AnUnrecognizedRecordingIsNeverRememberedAndAlwaysListed) {
    const QString path = add(QStringLiteral("a"), QByteArray("garbage"));
    PendingRecording::read(path)->rememberSavedCopy(settings);
    EXPECT_TRUE(PendingRecording::reviewed(settings).empty());
    EXPECT_EQ(discovered(PendingRecording::reviewed(settings)),
              std::vector<QString>{QStringLiteral("a")});
}

TEST_F(PendingRecordings, TheReviewedSettingKeepsOnlyTexts) {
    settings.setValue(QStringLiteral("reviewedScreenRecordingJournals"),
                      QVariantMap{{QStringLiteral("/a"), QStringLiteral("sig")},
                                  {QStringLiteral("/b"), 5},
                                  {QStringLiteral("/c"), QStringList{QStringLiteral("x")}}});
    EXPECT_EQ(PendingRecording::reviewed(settings),
              (std::map<QString, QString>{{QStringLiteral("/a"), QStringLiteral("sig")}}));
}

TEST_F(PendingRecordings, TheKeyIsTheFolderWithLinksResolved) {
    const QString path = add(QStringLiteral("a"), journalAt(10));
    const QString linkedRoot = temporary.path(QStringLiteral("linked"));
    ASSERT_TRUE(QFile::link(root, linkedRoot));
    const PendingRecording viaLink =
        *PendingRecording::read(QDir(linkedRoot).filePath(QStringLiteral("a")));
    EXPECT_EQ(viaLink.key(), QFileInfo(path).canonicalFilePath());
    EXPECT_EQ(viaLink.key(), PendingRecording::read(path)->key());
}

} // namespace
} // namespace lumbex
