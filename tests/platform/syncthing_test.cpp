#include "core/error.h"
#include "platform/sync_account.h"
#include "platform/syncthing_upload_status.h"
#include "support/qt_printers.h"
#include "support/syncthing_pair.h"
#include "support/temporary_folder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QFileInfo>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

constexpr int kTimeoutMs = 120'000;

bool eventually(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(200);
    }
    return condition();
}

// One pair for the whole suite: starting Syncthing takes seconds.
class SyncthingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!test::SyncthingPair::unavailableReason().isEmpty())
            return;
        folder_ = new test::TemporaryFolder;
        pair_ = new test::SyncthingPair(folder_->path());
        startFailure_ = pair_->start();
        if (startFailure_.isEmpty() && !pair_->waitConnected(kTimeoutMs))
            startFailure_ = QStringLiteral("the two instances did not connect");
    }
    static void TearDownTestSuite() {
        delete pair_;
        delete folder_;
        pair_ = nullptr;
        folder_ = nullptr;
    }
    void SetUp() override {
        if (const QString reason = test::SyncthingPair::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        ASSERT_TRUE(startFailure_.isEmpty()) << startFailure_.toStdString();
    }

    static QString write(const test::SyncthingInstance& on, const QString& name,
                         const QByteArray& bytes) {
        const QString path = on.folder + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }
    // Pausing takes effect when the connection has closed; resuming when it is back.
    static void setPaused(const test::SyncthingInstance& on, const test::SyncthingInstance& other,
                          bool paused) {
        on.api().post((paused ? QStringLiteral("/rest/system/pause?device=")
                              : QStringLiteral("/rest/system/resume?device=")) +
                      other.deviceID);
        ASSERT_TRUE(paused ? pair_->waitDisconnected(kTimeoutMs)
                           : pair_->waitConnected(kTimeoutMs));
    }

    static inline test::TemporaryFolder* folder_ = nullptr;
    static inline test::SyncthingPair* pair_ = nullptr;
    static inline QString startFailure_;
};

TEST_F(SyncthingTest, AFileWrittenOnAAppearsOnB) {
    write(pair_->a, QStringLiteral("hello.txt"), "written on A");
    ASSERT_TRUE(pair_->waitInSync(kTimeoutMs));
    EXPECT_EQ(test::fileBytes(pair_->b.folder + QStringLiteral("/hello.txt")), "written on A");
}

TEST_F(SyncthingTest, TheDeviceIdIsTheAccountOfItsFolder) {
    const auto status = makeSyncthingUploadStatus({pair_->a.configFile(), pair_->b.configFile()});
    EXPECT_EQ(status->account(pair_->a.folder), pair_->a.deviceID);
    EXPECT_EQ(status->account(pair_->b.folder + QStringLiteral("/anything.txt")),
              pair_->b.deviceID);
    EXPECT_EQ(status->account(folder_->path()), std::nullopt) << "outside every shared folder";
    EXPECT_EQ(makeSyncthingUploadStatus({})->account(pair_->a.folder), std::nullopt);
}

TEST_F(SyncthingTest, TheRunningSyncthingNamesTheAccountOfASyncFolder) {
    const auto status = makeSyncthingUploadStatus({pair_->a.configFile(), pair_->b.configFile()});
    const QString inside = pair_->a.folder + QStringLiteral("/Lumbex");
    QDir().mkpath(inside);
    EXPECT_EQ(syncAccount(inside, status.get(), {}),
              QStringLiteral("Syncthing:") + pair_->a.deviceID);
    EXPECT_EQ(syncAccount(pair_->b.folder, status.get(), {}),
              QStringLiteral("Syncthing:") + pair_->b.deviceID);
    // Without a configuration that names it the folder is known only by its place.
    EXPECT_EQ(syncAccount(pair_->a.folder, makeSyncthingUploadStatus({}).get(), {}),
              QStringLiteral("Syncthing:") + QFileInfo(pair_->a.folder).canonicalFilePath());
}

TEST_F(SyncthingTest, ADownloadRequestRescansTheOwningFolder) {
    const auto lastScan = [&] {
        return pair_->a.api()
            .get(QStringLiteral("/rest/stats/folder"))
            .object()
            .value(QStringLiteral("lumbex-test"))
            .toObject()
            .value(QStringLiteral("lastScan"))
            .toString();
    };
    ASSERT_TRUE(pair_->waitInSync(kTimeoutMs));
    const QString before = lastScan();
    // Scan times are kept to the second.
    QThread::msleep(1100);
    const auto status = makeSyncthingUploadStatus({pair_->a.configFile()});
    EXPECT_TRUE(status->requestDownload({pair_->a.folder + QStringLiteral("/not-yet-here.txt")}));
    EXPECT_TRUE(eventually([&] { return lastScan() != before; }, 20'000)) << before.toStdString();
    EXPECT_FALSE(status->requestDownload({folder_->path("outside.txt")}));
}

TEST_F(SyncthingTest, UploadsCountFilesTheOtherDeviceHas) {
    const auto status = makeSyncthingUploadStatus({pair_->a.configFile()});
    // With B paused, A indexes the files but cannot hand them over.
    setPaused(pair_->a, pair_->b, true);
    const QStringList files = {write(pair_->a, QStringLiteral("one.bin"), QByteArray(3000, 'x')),
                               write(pair_->a, QStringLiteral("two.bin"), QByteArray(5000, 'y'))};
    pair_->a.api().post(QStringLiteral("/rest/db/scan?folder=") +
                        QString::fromLatin1(test::SyncthingPair::folderID));
    std::optional<SyncUpload> upload = status->upload(files);
    ASSERT_TRUE(upload.has_value());
    EXPECT_EQ(*upload, (SyncUpload{0, 2}));
    EXPECT_EQ(upload->label(), QStringLiteral("Uploading · 0/2 files"));

    setPaused(pair_->a, pair_->b, false);
    ASSERT_TRUE(eventually([&] { return status->upload(files) == SyncUpload{2, 2}; }));
    EXPECT_EQ(status->upload(files)->label(), QStringLiteral("In the sync folder"));

    // A change not yet handed over makes that file pending again.
    setPaused(pair_->a, pair_->b, true);
    write(pair_->a, QStringLiteral("two.bin"), QByteArray(6000, 'z'));
    EXPECT_EQ(status->upload(files), (SyncUpload{1, 2})) << "before Syncthing rescans it";
    pair_->a.api().post(QStringLiteral("/rest/db/scan?folder=") +
                        QString::fromLatin1(test::SyncthingPair::folderID));
    EXPECT_EQ(status->upload(files), (SyncUpload{1, 2})) << "rescanned, not handed over";
    setPaused(pair_->a, pair_->b, false);
    EXPECT_TRUE(eventually([&] { return status->upload(files) == SyncUpload{2, 2}; }));
}

TEST_F(SyncthingTest, FilesOutsideAnySyncthingFolderHaveNoStatus) {
    const auto status = makeSyncthingUploadStatus({pair_->a.configFile()});
    const QString outside = folder_->write(QStringLiteral("outside.txt"), "local only");
    EXPECT_EQ(status->upload({outside}), std::nullopt);
}

TEST(SyncthingApi, ASilentAddressIsReportedAsNotAnswering) {
    const SyncthingApi api(QStringLiteral("127.0.0.1:1"), QStringLiteral("key"), 2000);
    EXPECT_FALSE(api.answers());
    try {
        api.get(QStringLiteral("/rest/system/status"));
        FAIL() << "nothing thrown";
    } catch (const LumbexError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Syncthing is not answering. Start it, then retry."));
    }
}

TEST(SyncUploadLabel, CountsFilesUntilAllAreDone) {
    EXPECT_EQ((SyncUpload{3, 12}).label(), QStringLiteral("Uploading · 3/12 files"));
    EXPECT_EQ((SyncUpload{0, 1}).label(), QStringLiteral("Uploading · 0/1 files"));
    EXPECT_EQ((SyncUpload{12, 12}).label(), QStringLiteral("In the sync folder"));
}

} // namespace
} // namespace lumbex
