#include "app/cloud_ui/cloud_settings_controller.h"
#include "app/cloud_ui/cloud_settings_engine.h"
#include "core/error.h"
#include "support/event_waiting.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// The engine as the window sees it, with every call written down.
class FakeEngine final : public CloudSettingsEngine {
public:
    QString label() const override { return labelText; }
    bool isEnabled() const override { return enabled; }
    bool isBusy() const override { return busy; }
    bool includesVoiceAudio() const override { return voice; }
    std::optional<QString> folder() const override { return bound; }
    std::optional<QString> previousFolder() const override { return previous; }
    std::optional<QString> publishedReview() const override { return review; }

    void connect(const QString& chosen, bool includeVoiceAudio) override {
        calls << QStringLiteral("connect %1 voice=%2").arg(chosen).arg(includeVoiceAudio);
        if (!connectFailure.isEmpty())
            throw LumbexError(connectFailure);
        bound = chosen;
        enabled = true;
        voice = includeVoiceAudio;
        labelText = QStringLiteral("Waiting for the sync folder");
        emit changed();
    }
    void retry() override { calls << QStringLiteral("retry"); }
    void disable() override {
        calls << QStringLiteral("disable");
        enabled = false;
        labelText = QStringLiteral("Sync: Off · Existing cloud copies kept");
        emit changed();
    }
    QString importPackage(const QString& package) const override {
        if (!importFailure.isEmpty())
            throw LumbexError(importFailure);
        return package + QStringLiteral(".imported");
    }
    void openNote(const QString& package) override { calls << QStringLiteral("open ") + package; }

    QString labelText = QStringLiteral("Sync: Off");
    bool enabled = false;
    bool busy = false;
    bool voice = true;
    std::optional<QString> bound;
    std::optional<QString> previous;
    std::optional<QString> review;
    QString connectFailure;
    QString importFailure;
    QStringList calls;
};

class CloudSettingsControllerTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    FakeEngine engine;
    CloudSettingsController window{engine};

    void SetUp() override { window.show(); }

    QPushButton* button(const char* name) const {
        return window.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const {
        return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    QCheckBox* voiceBox() const {
        return window.findChild<QCheckBox*>(QStringLiteral("cloud.voiceAudio"));
    }

    // Answers the open folder panel titled `message` with `path`.
    static void answerPanel(const QString& message, const QString& path) {
        QFileDialog* dialog = nullptr;
        ASSERT_TRUE(test::processEventsUntil(
            [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* d = qobject_cast<QFileDialog*>(w);
                        d && d->isVisible() && d->windowTitle() == message)
                        dialog = d;
                return dialog != nullptr;
            },
            5000));
        dialog->setDirectory(QFileInfo(path).path());
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))
            ->setText(QFileInfo(path).fileName());
        // The accept button, as a person would press it.
        QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        QApplication::processEvents();
    }

    static QString alertShown() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                const QString text = box->text();
                box->close();
                return text;
            }
        return {};
    }
};

TEST_F(CloudSettingsControllerTest, WithSyncOffAndNoFolderOnlyChoosingAndImportingAreOffered) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Sync & Mobile Review"));
    EXPECT_EQ(text("cloud.state"), QStringLiteral("Sync: Off"));
    EXPECT_EQ(text("cloud.folder"),
              QStringLiteral("Choose a folder kept in sync by a sync client or a network drive"));
    EXPECT_EQ(button("cloud.connect")->text(), QStringLiteral("Sync This Note"));
    EXPECT_FALSE(button("cloud.connect")->isEnabled());
    EXPECT_FALSE(button("cloud.retry")->isEnabled());
    EXPECT_FALSE(button("cloud.stop")->isEnabled());
    EXPECT_FALSE(button("cloud.reveal")->isEnabled());
    EXPECT_TRUE(button("cloud.import")->isEnabled());
    EXPECT_TRUE(button("cloud.chooseFolder")->isEnabled());
    EXPECT_EQ(voiceBox()->text(),
              QStringLiteral("Include voice recordings and original transcripts"));
}

TEST_F(CloudSettingsControllerTest, AChosenFolderIsSavedWithTheVoiceChoice) {
    QDir(folder.path()).mkdir(QStringLiteral("Sync"));
    const QString chosen = folder.path(QStringLiteral("Sync"));
    window.chooseFolder();
    answerPanel(CloudSettingsController::chooseFolderMessage(), chosen);
    EXPECT_EQ(text("cloud.folder"), chosen);
    EXPECT_TRUE(button("cloud.connect")->isEnabled());
    EXPECT_TRUE(engine.calls.isEmpty()) << "nothing is saved before the person confirms";

    voiceBox()->setChecked(false);
    button("cloud.connect")->click();
    EXPECT_EQ(engine.calls, QStringList{QStringLiteral("connect ") + chosen + " voice=0"});
    EXPECT_EQ(text("cloud.state"), QStringLiteral("Waiting for the sync folder"));
    EXPECT_EQ(button("cloud.connect")->text(), QStringLiteral("Save Sync Settings"));
    EXPECT_TRUE(button("cloud.retry")->isEnabled());
    EXPECT_TRUE(button("cloud.stop")->isEnabled());
    EXPECT_TRUE(button("cloud.reveal")->isEnabled());
    EXPECT_FALSE(voiceBox()->isChecked());
}

TEST_F(CloudSettingsControllerTest, TheFolderPanelStartsAtHomeWhenNoFolderIsKnown) {
    const auto shownPanel = [] {
        QFileDialog* dialog = nullptr;
        test::processEventsUntil(
            [&] {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                        dialog = d;
                return dialog != nullptr;
            },
            5000);
        return dialog;
    };
    window.chooseFolder();
    QFileDialog* first = shownPanel();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->directory().absolutePath(), QDir(QDir::homePath()).absolutePath());
    first->reject();
    QApplication::processEvents();

    engine.previous = folder.path();
    window.chooseFolder();
    QFileDialog* second = shownPanel();
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->directory().absolutePath(), QDir(folder.path()).absolutePath());
    second->reject();
}

TEST_F(CloudSettingsControllerTest, ARefusedFolderIsShownAndNothingIsSaved) {
    engine.connectFailure = QStringLiteral(
        "Choose a folder kept in sync by a sync client or a network drive. A local folder does "
        "not sync.");
    engine.previous = folder.path();
    window.chooseFolder();
    answerPanel(CloudSettingsController::chooseFolderMessage(), folder.path());
    button("cloud.connect")->click();
    EXPECT_EQ(alertShown(), engine.connectFailure);
    EXPECT_FALSE(engine.enabled);
    EXPECT_EQ(button("cloud.connect")->text(), QStringLiteral("Sync This Note"));
    EXPECT_TRUE(button("cloud.connect")->isEnabled()) << "the person may try again";
}

TEST_F(CloudSettingsControllerTest, RetryIsOfferedOnlyWhileNoJobRuns) {
    engine.bound = folder.path();
    engine.enabled = true;
    engine.busy = true;
    window.refresh();
    EXPECT_FALSE(button("cloud.retry")->isEnabled());
    engine.busy = false;
    emit engine.changed();
    ASSERT_TRUE(button("cloud.retry")->isEnabled());
    button("cloud.retry")->click();
    EXPECT_EQ(engine.calls, QStringList{QStringLiteral("retry")});
}

TEST_F(CloudSettingsControllerTest, StopSyncingKeepsTheFolderKnown) {
    engine.bound = folder.path();
    engine.enabled = true;
    window.refresh();
    button("cloud.stop")->click();
    EXPECT_EQ(engine.calls, QStringList{QStringLiteral("disable")});
    EXPECT_EQ(text("cloud.state"), QStringLiteral("Sync: Off · Existing cloud copies kept"));
    EXPECT_FALSE(button("cloud.stop")->isEnabled());
    EXPECT_TRUE(button("cloud.reveal")->isEnabled());
}

TEST_F(CloudSettingsControllerTest, ShowInFilesSelectsThePublishedReviewElseTheFolder) {
    QStringList shown;
    window.revealer = [&](const QString& path) { shown << path; };
    engine.bound = folder.path();
    window.refresh();
    button("cloud.reveal")->click();
    engine.review = folder.path(QStringLiteral("Reviews/Capture-ABCDEF12/r1-abc.pdf"));
    button("cloud.reveal")->click();
    EXPECT_EQ(shown, (QStringList{folder.path(), *engine.review}));
}

TEST_F(CloudSettingsControllerTest, AnImportedCopyOpensAsANewLocalNote) {
    engine.bound = folder.path();
    QDir(folder.path()).mkpath(QStringLiteral("Notes/ABC.capturenote"));
    const QString package = folder.path(QStringLiteral("Notes/ABC.capturenote"));
    window.importCopy();
    answerPanel(CloudSettingsController::importMessage(), package);
    ASSERT_TRUE(test::processEventsUntil([&] { return !engine.calls.isEmpty(); }, 5000));
    EXPECT_EQ(engine.calls, QStringList{QStringLiteral("open ") + package + ".imported"});
    EXPECT_EQ(text("cloud.state"),
              QStringLiteral("Imported as a new local note · Cloud files kept"));
    emit engine.changed();
    EXPECT_EQ(text("cloud.state"), QStringLiteral("Sync: Off"));
}

TEST_F(CloudSettingsControllerTest, AFailedImportIsShownAndOpensNothing) {
    engine.importFailure = QStringLiteral("The cloud note metadata is too large to open safely.");
    QDir(folder.path()).mkpath(QStringLiteral("Big.capturenote"));
    window.importCopy();
    answerPanel(CloudSettingsController::importMessage(),
                folder.path(QStringLiteral("Big.capturenote")));
    QString alert;
    ASSERT_TRUE(test::processEventsUntil(
        [&] {
            if (alert.isEmpty())
                alert = alertShown();
            return !alert.isEmpty();
        },
        5000));
    EXPECT_EQ(alert, engine.importFailure);
    EXPECT_TRUE(engine.calls.isEmpty());
    EXPECT_EQ(text("cloud.state"), QStringLiteral("Sync: Off"));
    EXPECT_TRUE(button("cloud.import")->isEnabled());
}

} // namespace
} // namespace lumbex
