#include "core/files.h"
#include "model/image_files.h"
#include "request/handoff_controller.h"
#include "request/handoff_settings.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class HandoffControllerTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    QSettings settingsFile{folder.path("settings.ini"), QSettings::IniFormat};
    HandoffSettings settings{settingsFile};
    QString project = folder.path("project");
    CaptureNote note = CaptureNote::make();
    std::map<Id, QByteArray> originals;
    RequestContext context;
    HandoffController controller{settings, [this] { return context; }};

    std::optional<HandoffResult> prepared;
    QString failure;
    std::optional<LumbexError::Kind> failureKind;
    int outcomes = 0;

    HandoffControllerTest() {
        QDir().mkpath(project);
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(Qt::darkGreen);
        const QByteArray png = ImageFiles::encode(image, false);
        Media media;
        media.id = newId();
        media.width = 30;
        media.height = 20;
        media.sha256 = ImageFiles::hash(png);
        note.media.push_back(media);
        note.general = QStringLiteral("Make the header sticky.");
        originals.emplace(media.id, png);
        context = {note, media.id, project};
        QObject::connect(&controller, &HandoffController::prepared,
                         [this](const HandoffResult& r, quint64) {
                             prepared = r;
                             ++outcomes;
                         });
        QObject::connect(&controller, &HandoffController::failed, [this](const LumbexError& error) {
            failure = error.message();
            failureKind = error.kind();
            ++outcomes;
        });
    }

    void copy() {
        prepared.reset();
        failure.clear();
        failureKind.reset();
        controller.start(RequestPlan::build(note, note.media[0].id), originals, project,
                         note.media[0].id, 0);
    }
    void waitForOutcomes(int count) {
        QEventLoop loop;
        QTimer deadline;
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(20);
        for (int i = 0; i < 1000 && outcomes < count; ++i)
            loop.exec();
        ASSERT_EQ(outcomes, count);
    }
    QStringList requestFolders() const {
        return QDir(project + "/.lumbex/handoffs/" + idString(note.id))
            .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
};

TEST_F(HandoffControllerTest, UnchangedNoteReusesItsVerifiedFolder) {
    copy();
    EXPECT_TRUE(controller.isPreparing());
    waitForOutcomes(1);
    ASSERT_TRUE(prepared) << failure.toStdString();
    EXPECT_FALSE(controller.isPreparing());
    const QString first = prepared->directory;

    copy();
    waitForOutcomes(2);
    ASSERT_TRUE(prepared);
    EXPECT_EQ(prepared->directory, first);
    EXPECT_EQ(requestFolders().size(), 1);

    writeFileAtomically(prepared->images[0], "edited on disk");
    copy();
    waitForOutcomes(3);
    ASSERT_TRUE(prepared);
    EXPECT_NE(prepared->directory, first) << "a changed file means a fresh preparation";

    note.revision += 1;
    context.note = note;
    const QString third = prepared->directory;
    copy();
    waitForOutcomes(4);
    EXPECT_NE(prepared->directory, third) << "a new revision is a new request";
    EXPECT_EQ(requestFolders().size(), 3);
}

TEST_F(HandoffControllerTest, ResultsTheUserMovedPastAreDropped) {
    copy();
    context.note.general = QStringLiteral("Something else");
    waitForOutcomes(1);
    EXPECT_EQ(failure, "Notes changed. Copy again.");
    EXPECT_EQ(failureKind, LumbexError::Kind::Outdated);
    EXPECT_FALSE(prepared);

    context.note = note;
    copy();
    controller.invalidate();
    waitForOutcomes(2);
    EXPECT_EQ(failure, "Notes changed. Copy again.");
    EXPECT_EQ(failureKind, LumbexError::Kind::Outdated);

    copy();
    copy();
    waitForOutcomes(3);
    EXPECT_TRUE(prepared) << "the second copy's token replaced the first, whose outcome is dropped";
    QEventLoop settle;
    QTimer::singleShot(200, &settle, &QEventLoop::quit);
    settle.exec();
    EXPECT_EQ(outcomes, 3);
}

TEST_F(HandoffControllerTest, ErrorsComeBackAsMessages) {
    QDir(project).removeRecursively();
    copy();
    waitForOutcomes(1);
    EXPECT_EQ(failure, "The project folder is unavailable. Choose it again.");
    EXPECT_EQ(failureKind, LumbexError::Kind::Plain) << "an alert, not a status";
}

TEST_F(HandoffControllerTest, SettingsRememberFoldersAndTheLastRequest) {
    EXPECT_FALSE(settings.destination(note.id));
    EXPECT_FALSE(settings.destinationIsBroken(note.id));
    settings.setDestination(note.id, project);
    EXPECT_EQ(settings.destination(note.id), project);

    copy();
    waitForOutcomes(1);
    ASSERT_TRUE(prepared);
    const auto restored = settings.lastHandoff(note.id);
    ASSERT_TRUE(restored);
    EXPECT_EQ(restored->directory, prepared->directory);
    EXPECT_EQ(restored->hashes, prepared->hashes);
    EXPECT_EQ(restored->images, prepared->images);
    EXPECT_NO_THROW(restored->verify());

    QDir(project).removeRecursively();
    EXPECT_TRUE(settings.destinationIsBroken(note.id));
    EXPECT_FALSE(settings.destination(note.id));
    settings.setDestination(note.id, std::nullopt);
    EXPECT_FALSE(settings.destinationIsBroken(note.id));
}

} // namespace
} // namespace lumbex
