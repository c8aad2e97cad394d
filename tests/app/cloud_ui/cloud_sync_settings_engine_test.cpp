#include "app/cloud_ui/cloud_settings_controller.h"
#include "app/cloud_ui/cloud_sync_settings_engine.h"
#include "cloud/cloud_fixtures.h"
#include "cloud/cloud_sync.h"
#include "core/files.h"
#include "model/note_document.h"
#include "model/note_package.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// The window over the real sync engine, publishing into a folder Syncthing would keep in sync.
class CloudSyncSettingsEngineTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    CloudSnapshotInput input = test::noteWithTwoImages();
    QString package = folder.path("note.capturenote");
    QSettings settings{folder.path("settings.ini"), QSettings::IniFormat};
    std::unique_ptr<CloudSync> sync;
    std::unique_ptr<NoteDocument> document;
    QStringList opened;

    void SetUp() override {
        makeFolders(folder.path("sync/.stfolder"));
        createNotePackage(input, package);
        CloudSync::Services services;
        services.writers = test::fakeReaderWriters();
        services.account = [](const QString&) { return std::optional<QString>("Syncthing:A"); };
        sync = std::make_unique<CloudSync>(CloudBindings(folder.path("Cloud")), services,
                                           CloudSync::Delays{250, 50, 100, 150, 100000, 0});
        document = NoteDocument::open(package);
    }
    std::unique_ptr<CloudSyncSettingsEngine> engineFor(NoteDocument& note) {
        return std::make_unique<CloudSyncSettingsEngine>(
            *sync, note, settings, folder.path("library"),
            [this](const QString& path) { opened << path; });
    }
};

TEST_F(CloudSyncSettingsEngineTest, ConnectingPublishesAndTheWindowFollowsTheEngine) {
    const auto engine = engineFor(*document);
    CloudSettingsController window(*engine);
    const auto state = [&] { return window.findChild<QLabel*>("cloud.state")->text(); };
    EXPECT_EQ(state(), "Sync: Off");
    EXPECT_EQ(engine->previousFolder(), std::nullopt);

    engine->connect(folder.path("sync"), false);
    EXPECT_TRUE(engine->isEnabled());
    EXPECT_EQ(engine->folder(), folder.path("sync"));
    EXPECT_FALSE(engine->includesVoiceAudio());
    EXPECT_EQ(engine->previousFolder(), folder.path("sync"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine->publishedReview().has_value(); }, 10000));
    const QString review = *engine->publishedReview();
    EXPECT_TRUE(review.startsWith(folder.path("sync/Reviews/"))) << review.toStdString();
    EXPECT_TRUE(review.endsWith(".pdf"));
    EXPECT_TRUE(QFileInfo(review).isFile());
    EXPECT_EQ(state(), sync->label(input.note.id, document->note().revision));
    EXPECT_EQ(window.findChild<QPushButton*>("cloud.connect")->text(), "Save Sync Settings");

    engine->disable();
    EXPECT_EQ(state(), "Sync: Off · Existing cloud copies kept");
    EXPECT_TRUE(QFileInfo(review).isFile()) << "nothing in the sync folder is removed";
}

TEST_F(CloudSyncSettingsEngineTest, RetryAsksForTheCloudFilesBeforeSyncing) {
    const auto engine = engineFor(*document);
    CloudSettingsController window(*engine);
    const auto state = [&] { return window.findChild<QLabel*>("cloud.state")->text(); };
    engine->connect(folder.path("sync"), false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine->publishedReview().has_value(); }, 10000));
    ASSERT_TRUE(window.findChild<QPushButton*>("cloud.retry")->isEnabled());
    window.findChild<QPushButton*>("cloud.retry")->click();
    EXPECT_EQ(state(), "Waiting for cloud download…");
    // The sync that follows publishes the same revision again (every file verifies as in place).
    ASSERT_TRUE(QTest::qWaitFor([&] { return state() == "Preparing mobile review…"; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return state() == "Waiting for the sync client"; }, 10000))
        << state().toStdString();
}

TEST_F(CloudSyncSettingsEngineTest, AnUnsavedNoteCannotBeConnected) {
    const auto unsaved = NoteDocument::fromCapturePNG(
        input.originals.begin()->second, QStringLiteral("Shot"), folder.path("library"));
    const auto engine = engineFor(*unsaved);
    test::expectMessage([&] { engine->connect(folder.path("sync"), true); },
                        "Save this note before enabling sync.");
    EXPECT_FALSE(engine->isEnabled());
}

TEST_F(CloudSyncSettingsEngineTest, AnImportedCloudPackageBecomesANewLocalNote) {
    const auto engine = engineFor(*document);
    engine->connect(folder.path("sync"), true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return engine->publishedReview().has_value(); }, 10000));
    makeFolders(folder.path("library"));
    const QString cloudPackage =
        folder.path("sync/Notes/") + idString(input.note.id) + ".capturenote";
    const QString imported = engine->importPackage(cloudPackage);
    EXPECT_TRUE(imported.startsWith(folder.path("library/")));
    EXPECT_NE(readNotePackage(imported).note.id, input.note.id) << "a new local note";
    engine->openNote(imported);
    EXPECT_EQ(opened, QStringList{imported});
}

} // namespace
} // namespace lumbex
