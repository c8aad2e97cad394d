#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "cloud/cloud_sync.h"
#include "cloud_fixtures.h"
#include "model/note_package.h"
#include "support/temporary_folder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>
#include <QThreadPool>

namespace lumbex {
namespace {

// Short delays in the same proportions as the real ones.
CloudSync::Delays quick() {
    return {250, 50, 100, 150, 100000, 0};
}

class CloudSyncTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    CloudSnapshotInput input = test::noteWithTwoImages();
    QString package;
    int pdfs = 0;
    bool voiceBusy = false;
    QString account = "Syncthing:A";
    bool clientSilent = false;
    std::vector<std::pair<QString, QStringList>> downloads;

    void SetUp() override {
        makeFolders(folder.path("sync/.stfolder"));
        makeFolders(folder.path("other/.stfolder"));
        package = folder.path("note.capturenote");
        createNotePackage(input, package);
    }
    std::unique_ptr<CloudSync> engine() {
        CloudSync::Services services;
        services.writers = test::fakeReaderWriters(&pdfs);
        services.voicePending = [this](const Id&) { return voiceBusy; };
        services.account = [this](const QString&) {
            if (clientSilent)
                throw LumbexError("Syncthing is not answering. Start it, then retry.");
            return std::optional(account);
        };
        services.requestDownload = [this](const QString& root, const QStringList& files) {
            downloads.emplace_back(root, files);
        };
        return std::make_unique<CloudSync>(CloudBindings(folder.path("Cloud")), services, quick());
    }
    void resave(qint64 revision) {
        input.note.revision = revision;
        input.note.general = "revision " + QString::number(revision);
        removePath(package);
        createNotePackage(input, package);
    }
    static bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
        return QTest::qWaitFor(condition, ms);
    }
};

TEST_F(CloudSyncTest, ConnectPublishesAndLabelsFollow) {
    auto sync = engine();
    EXPECT_EQ(sync->label(input.note.id, 4), "Sync: Off");
    sync->connect(input.note.id, package, folder.path("sync"), false);
    EXPECT_EQ(sync->message(input.note.id), "Waiting for the sync client");
    EXPECT_EQ(sync->label(input.note.id, 4), "Reader copy updating…");
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    EXPECT_EQ(sync->label(input.note.id, 4), "Waiting for the sync client");
    EXPECT_EQ(sync->label(input.note.id, 5), "Reader copy updating…");
    sync->refreshUploads();
    EXPECT_EQ(sync->label(input.note.id, 4), "Saved in the sync folder");
    // Kept on disk for the next run.
    EXPECT_TRUE(CloudBindings(folder.path("Cloud")).binding(input.note.id)->receipt);
    sync->disable(input.note.id);
    EXPECT_EQ(sync->label(input.note.id, 4), "Sync: Off · Existing cloud copies kept");
    EXPECT_FALSE(sync->isEnabled(input.note.id));
}

TEST_F(CloudSyncTest, SavesWithinTheDelayPublishOnce) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    EXPECT_EQ(pdfs, 1);
    for (qint64 revision : {5, 6, 7}) {
        resave(revision);
        sync->saved(input.note.id, package);
        EXPECT_EQ(sync->label(input.note.id, revision), "Reader copy updating…");
        QTest::qWait(60);
    }
    ASSERT_TRUE(
        waitFor([&] { return sync->binding(input.note.id)->receipt->revision.revision == 7; }));
    QTest::qWait(400);
    EXPECT_EQ(pdfs, 2);
}

TEST_F(CloudSyncTest, VoiceNotesDelayTheRun) {
    auto sync = engine();
    voiceBusy = true;
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor(
        [&] { return sync->message(input.note.id) == "Waiting for voice notes to finish"; }));
    EXPECT_FALSE(sync->binding(input.note.id)->receipt);
    voiceBusy = false;
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
}

TEST_F(CloudSyncTest, ReconnectingKeepsTheReceiptOnlyForTheSameFolder) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    sync->connect(input.note.id, package, folder.path("sync/"), false);
    EXPECT_TRUE(sync->binding(input.note.id)->receipt);
    sync->connect(input.note.id, package, folder.path("other"), false);
    EXPECT_FALSE(sync->binding(input.note.id)->receipt);
    test::expectMessage([&] { sync->connect(input.note.id, package, folder.path(), false); },
                        QString::fromUtf8(CloudMessages::notSyncFolder));
    test::expectMessage(
        [&] { sync->connect(input.note.id, folder.path("unsaved"), folder.path("sync"), false); },
        QString::fromUtf8(CloudMessages::saveFirst));
}

TEST_F(CloudSyncTest, AccountChangeParksTheBinding) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    account = "Syncthing:B";
    sync->accountChanged();
    EXPECT_EQ(sync->label(input.note.id, 4), "Sync account changed · Reconnect to continue");
    sync->sync(input.note.id);
    QTest::qWait(300);
    EXPECT_FALSE(sync->binding(input.note.id)->receipt);
    EXPECT_EQ(sync->label(input.note.id, 4), "Sync account changed · Reconnect to continue");
}

TEST_F(CloudSyncTest, TheStatusPollNoticesAnAccountChange) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    sync->refreshUploads();
    EXPECT_EQ(sync->label(input.note.id, 4), "Saved in the sync folder");
    account = "Syncthing:B";
    sync->refreshUploads();
    EXPECT_EQ(sync->label(input.note.id, 4), "Sync account changed · Reconnect to continue");
    // A save does not publish under the other identity.
    resave(5);
    sync->saved(input.note.id, package);
    QTest::qWait(300);
    EXPECT_EQ(sync->binding(input.note.id)->receipt->revision.revision, 4);
    EXPECT_EQ(sync->label(input.note.id, 5), "Sync account changed · Reconnect to continue");
    // Reconnecting takes the new identity and publishes again.
    sync->connect(input.note.id, package, folder.path("sync"), false);
    EXPECT_EQ(sync->binding(input.note.id)->account, "Syncthing:B");
    ASSERT_TRUE(
        waitFor([&] { return sync->binding(input.note.id)->receipt->revision.revision == 5; }));
}

TEST_F(CloudSyncTest, AClientThatDoesNotAnswerIsNoAccountChange) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    clientSilent = true;
    sync->sync(input.note.id);
    EXPECT_EQ(sync->label(input.note.id, 4),
              "Couldn’t Sync: Syncthing is not answering. Start it, then retry.");
    sync->refreshUploads();
    EXPECT_EQ(sync->label(input.note.id, 4),
              "Couldn’t Sync: Syncthing is not answering. Start it, then retry.");
    clientSilent = false;
    sync->refreshUploads();
    EXPECT_EQ(sync->label(input.note.id, 4), "Saved in the sync folder");
    EXPECT_EQ(sync->binding(input.note.id)->account, "Syncthing:A");
}

TEST_F(CloudSyncTest, RetryWithoutAReceiptSyncsAtOnce) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    sync->downloadAndRetry(input.note.id);
    EXPECT_TRUE(downloads.empty());
    EXPECT_TRUE(sync->busy(input.note.id));
    EXPECT_EQ(sync->message(input.note.id), "Preparing mobile review…");
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
}

TEST_F(CloudSyncTest, RetryAsksForTheReceiptFilesThenSyncs) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    const CloudReceipt receipt = *sync->binding(input.note.id)->receipt;
    resave(5);
    sync->downloadAndRetry(input.note.id);
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0].first, sync->binding(input.note.id)->folder);
    QStringList expected;
    for (const CloudFile& file : receipt.requiredFiles())
        expected << CloudFiles::resolve(sync->binding(input.note.id)->folder, file.path);
    EXPECT_EQ(downloads[0].second, expected);
    EXPECT_EQ(sync->label(input.note.id, 5), "Waiting for cloud download…");
    EXPECT_FALSE(sync->busy(input.note.id)) << "the sync waits for the download to start";
    ASSERT_TRUE(
        waitFor([&] { return sync->binding(input.note.id)->receipt->revision.revision == 5; }));
    // A disabled note is left alone.
    sync->disable(input.note.id);
    sync->downloadAndRetry(input.note.id);
    EXPECT_EQ(downloads.size(), 1u);
}

TEST_F(CloudSyncTest, TheRealReaderFilesArePublishedOnATwoThreadMachine) {
    // The review PDF decodes its pictures in the global pool while the reader images wait for
    // it there too: with jobs in that pool as well, two threads were not enough and the first
    // publication never ended.
    QThreadPool& global = *QThreadPool::globalInstance();
    const int threads = global.maxThreadCount();
    global.setMaxThreadCount(2);
    CloudSync::Services services;
    services.writers = standardReaderWriters();
    services.account = [this](const QString&) { return std::optional(account); };
    CloudSync sync(CloudBindings(folder.path("Cloud")), services, quick());
    sync.connect(input.note.id, package, folder.path("sync"), false);
    const bool published =
        waitFor([&] { return sync.binding(input.note.id)->receipt.has_value(); }, 30000);
    global.setMaxThreadCount(threads);
    ASSERT_TRUE(published) << sync.message(input.note.id).toStdString();
    const QString pdf = CloudFiles::resolve(
        folder.path("sync"), sync.binding(input.note.id)->receipt->revision.readerPDF);
    EXPECT_TRUE(readFile(pdf, 1 << 24).startsWith("%PDF"));
}

TEST_F(CloudSyncTest, ANewerPublicationIsNoCloudChange) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    sync->refreshUploads();
    EXPECT_EQ(sync->label(input.note.id, 4), "Saved in the sync folder");
    resave(5);
    sync->saved(input.note.id, package);
    ASSERT_TRUE(
        waitFor([&] { return sync->binding(input.note.id)->receipt->revision.revision == 5; }));
    // The pointer now holds the new revision's bytes, as it should.
    sync->refreshUploads();
    EXPECT_EQ(sync->label(input.note.id, 5), "Saved in the sync folder");
}

TEST_F(CloudSyncTest, ConflictStopsWithTheMessageEveryTime) {
    auto sync = engine();
    sync->connect(input.note.id, package, folder.path("sync"), false);
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
    writeFileAtomically(
        folder.path("sync/" + CloudRevision::noteFolderPath(input.note.id) + "/note.json"), "{}");
    resave(5);
    sync->saved(input.note.id, package);
    const QString expected = "Couldn’t Sync: " + QString::fromUtf8(CloudMessages::changedElsewhere);
    ASSERT_TRUE(waitFor([&] { return sync->label(input.note.id, 5) == expected; }));
    EXPECT_EQ(sync->binding(input.note.id)->receipt->revision.revision, 4);
}

TEST_F(CloudSyncTest, StartSchedulesEnabledBindings) {
    {
        auto first = engine();
        first->connect(input.note.id, package, folder.path("sync"), false);
        first->disable(input.note.id);
        first->connect(input.note.id, package, folder.path("sync"), false);
    }
    auto sync = engine();
    sync->start();
    ASSERT_TRUE(waitFor([&] { return sync->binding(input.note.id)->receipt.has_value(); }));
}

} // namespace
} // namespace lumbex
