#include "app/deleted_ui/deleted_notes_controller.h"
#include "app/deleted_ui/deleted_notes_window.h"
#include "app/deleted_ui/deletion_question.h"
#include "library/deleted_cloud.h"
#include "library/deleted_fixtures.h"
#include "model/note_document.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>

namespace lumbex {
namespace {

// The sync-folder side of jobs, recording what the jobs asked of it (from their worker thread).
class RecordingCloudSide : public DeletedCloudSide {
public:
    std::atomic<bool> folderReachable = true;
    bool reachable(const DeletedNote&) const override { return folderReachable; }
    void plan(DeletedNote& entry) override {
        record("plan");
        entry.cloudPaths = std::vector<QString>{QStringLiteral("Notes/N.capturenote")};
    }
    void archive(const DeletedNote&) override { record("archive"); }
    void restore(const DeletedNote&) override { record("restore"); }
    void trashArchive(const DeletedNote&, Trash&) override { record("trash"); }
    std::vector<std::string> calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    void record(const char* call) {
        const std::lock_guard lock(mutex_);
        calls_.push_back(call);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> calls_;
};

// A binding as the sync engine keeps it, with a published receipt.
QJsonObject publishedBinding() {
    return QJsonObject{{QStringLiteral("enabled"), true},
                       {QStringLiteral("folder"), QStringLiteral("L3N5bmM=")},
                       {QStringLiteral("receipt"), QJsonObject{{QStringLiteral("revision"), 3}}}};
}

class DeletedNotesControllerTest : public ::testing::Test, public test::DeletedNotesFixture {
protected:
    std::vector<QString> errors;
    std::vector<QString> opened;
    std::vector<QString> asked;
    std::vector<Id> forgotten;
    std::vector<NoteDocument*> documents;
    std::optional<bool> answer = false;
    std::vector<bool> offered;
    std::optional<QJsonObject> binding;
    std::vector<Id> suspended;
    std::vector<std::pair<Id, bool>> ended;
    std::shared_ptr<RecordingCloudSide> cloud = std::make_shared<RecordingCloudSide>();
    bool voiceBusy = false;
    std::function<void()> whileAsking;
    Date clockNow = 5'000'000.0;
    std::shared_ptr<test::FakeTrash> trash =
        std::make_shared<test::FakeTrash>(folder.path(QStringLiteral("Trash")));

    std::unique_ptr<DeletedNotesController> controller = [this] {
        DeletedNotesServices services;
        services.voicePending = [this](const Id&) { return voiceBusy; };
        services.openDocuments = [this] { return documents; };
        services.confirm = [this](const QString& title, bool offerCloud, QWidget*) {
            asked.push_back(title);
            offered.push_back(offerCloud);
            if (whileAsking)
                whileAsking();
            return answer;
        };
        services.openRestored = [this](const QString& path) { opened.push_back(path); };
        services.showError = [this](const QString& message, QWidget*) {
            errors.push_back(message);
        };
        services.forget = [this](const Id& id) { forgotten.push_back(id); };
        services.reveal = [](const QString&) {};
        services.clock = [this] { return clockNow; };
        services.cloudBinding = [this](const Id&) { return binding; };
        services.suspendCloud = [this](const Id& id) { suspended.push_back(id); };
        services.cloudDeleted = [this](const Id& id, bool withCopies) {
            ended.emplace_back(id, withCopies);
        };
        services.cloud = cloud;
        return std::make_unique<DeletedNotesController>(store, trash, std::move(services));
    }();

    void waitForJobs() {
        QElapsedTimer timer;
        timer.start();
        while (controller->runningJobs() > 0 && timer.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        QApplication::processEvents();
        ASSERT_EQ(controller->runningJobs(), 0);
    }

    DeletedNotesWindow& window() { return *controller->window(); }
    QString cell(int row, int column) { return window().table().item(row, column)->text(); }
    void select(int row) { window().table().selectRow(row); }
};

TEST_F(DeletedNotesControllerTest, WindowListsEntriesWithStatusAndButtons) {
    const DeletedNote archived =
        store.archive(packagePath, contents.note, {}, false, clockNow - 86400.0);
    NotePackageContents second = contents;
    second.note.id = newId();
    second.note.title = QStringLiteral("Second");
    const QString secondPath = library + QStringLiteral("/second.capturenote");
    createNotePackage(second, secondPath);
    const DeletedNote pending = store.begin(secondPath, second.note, {}, false, clockNow);
    QDir().mkpath(store.root() + u'/' + idString(newId()));

    controller->present();
    EXPECT_EQ(window().windowTitle(), QStringLiteral("Recently Deleted"));
    EXPECT_EQ(window().table().accessibleName(), QStringLiteral("Recently deleted notes"));
    const auto labels = window().findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](QLabel* label) {
        return label->text() ==
               QStringLiteral("Notes stay here for 30 days, then move to Trash while Lumbex is "
                              "running. Files already copied to your projects are kept.");
    }));
    ASSERT_EQ(window().table().rowCount(), 2);
    EXPECT_EQ(cell(0, 0), QStringLiteral("Second"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("Deletion not finished · Retry or restore"));
    EXPECT_EQ(cell(1, 0), contents.note.title);
    EXPECT_EQ(cell(1, 1), QStringLiteral("29 days remaining · On this computer"));
    EXPECT_EQ(window().status().text(), QStringLiteral("2 notes · 1 unavailable"));
    EXPECT_EQ(
        window().status().toolTip(),
        QStringLiteral("Some saved records could not be read. Their files have been kept in ") +
            store.root());

    // The first row is selected: the unfinished deletion can be retried.
    EXPECT_EQ(window().selectedId(), pending.id);
    EXPECT_TRUE(window().restoreButton().isEnabled());
    EXPECT_TRUE(window().retryButton().isEnabled());
    EXPECT_TRUE(window().revealButton().isEnabled());
    select(1);
    EXPECT_EQ(window().selectedId(), archived.id);
    EXPECT_TRUE(window().restoreButton().isEnabled());
    EXPECT_EQ(window().restoreButton().text(), QStringLiteral("Restore"));
    EXPECT_FALSE(window().retryButton().isEnabled());

    // A restore that stopped half-way is finished by the same button.
    DeletedNote restoring = archived;
    restoring.restoring = true;
    store.save(restoring);
    controller->reload();
    EXPECT_EQ(window().selectedId(), archived.id);
    EXPECT_EQ(window().restoreButton().text(), QStringLiteral("Finish Restore"));
    EXPECT_EQ(cell(1, 1),
              QStringLiteral("Restored on this computer · sync folder restore pending"));
    EXPECT_TRUE(window().retryButton().isEnabled());
}

TEST(DeletionQuestionTest, AsksWithTheNoteTitle) {
    const DeletionQuestion question =
        makeDeletionQuestion(QStringLiteral("Login form"), false, nullptr);
    EXPECT_EQ(question.box->text(), QStringLiteral("Move “Login form” to Recently Deleted?"));
    EXPECT_EQ(question.box->windowTitle(), question.box->text());
    EXPECT_EQ(question.box->informativeText(),
              QStringLiteral("You can restore it for 30 days. After that, Lumbex moves it to "
                             "Trash. Copies already saved in your projects are kept."));
    QStringList buttons;
    for (QAbstractButton* button : question.box->buttons())
        buttons << button->text();
    buttons.sort();
    EXPECT_EQ(buttons,
              (QStringList{QStringLiteral("Cancel"), QStringLiteral("Move to Recently Deleted")}));
    EXPECT_EQ(question.move->text(), QStringLiteral("Move to Recently Deleted"));
}

TEST(DeletionQuestionTest, OffersTheSyncFolderCopiesOnlyWhenConnected) {
    EXPECT_EQ(makeDeletionQuestion(QStringLiteral("Plain"), false, nullptr).cloud, nullptr);
    EXPECT_EQ(makeDeletionQuestion(QStringLiteral("Plain"), false, nullptr).box->checkBox(),
              nullptr);
    const DeletionQuestion question = makeDeletionQuestion(QStringLiteral("Synced"), true, nullptr);
    ASSERT_NE(question.cloud, nullptr);
    EXPECT_EQ(question.box->checkBox(), question.cloud);
    EXPECT_EQ(question.cloud->text(),
              QStringLiteral("Also move sync-folder copies and review files"));
    // Moving the copies away is a choice the person makes, never the default.
    EXPECT_FALSE(question.cloud->isChecked());
}

TEST_F(DeletedNotesControllerTest, ANoteWithoutSyncIsNotOfferedTheCheckBox) {
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    answer = true; // even a checked box cannot move copies that are not there
    controller->confirmDeletion(*document, nullptr, false);
    waitForJobs();
    EXPECT_EQ(offered, std::vector<bool>{false});
    const DeletedNote entry = onlyEntry();
    EXPECT_FALSE(entry.removeCloudCopies);
    EXPECT_FALSE(entry.cloudBinding);
    EXPECT_TRUE(suspended.empty());
    EXPECT_TRUE(cloud->calls().empty());
    EXPECT_EQ(ended, (std::vector<std::pair<Id, bool>>{{contents.note.id, false}}));
}

TEST_F(DeletedNotesControllerTest, CheckedBoxMovesTheSyncFolderCopies) {
    binding = publishedBinding();
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    answer = true;
    controller->confirmDeletion(*document, nullptr, false);
    waitForJobs();
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
    EXPECT_EQ(offered, std::vector<bool>{true});
    EXPECT_EQ(suspended, std::vector<Id>{contents.note.id});
    EXPECT_EQ(ended, (std::vector<std::pair<Id, bool>>{{contents.note.id, true}}));
    EXPECT_EQ(cloud->calls(), (std::vector<std::string>{"plan", "archive"}));
    const DeletedNote entry = onlyEntry();
    EXPECT_TRUE(entry.removeCloudCopies);
    EXPECT_TRUE(entry.cloudArchived);
    EXPECT_EQ(entry.cloudBinding, publishedBinding());
    controller->present();
    EXPECT_EQ(cell(0, 1), QStringLiteral("30 days remaining · Includes sync folder copies"));

    // Restoring puts the copies back before the record goes.
    controller->restoreSelected();
    waitForJobs();
    EXPECT_EQ(cloud->calls(), (std::vector<std::string>{"plan", "archive", "restore"}));
    EXPECT_EQ(opened, std::vector<QString>{packagePath});
    EXPECT_TRUE(store.load().empty());
}

TEST_F(DeletedNotesControllerTest, UncheckedBoxKeepsTheCopiesAndSaysSo) {
    binding = publishedBinding();
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    answer = false;
    controller->confirmDeletion(*document, nullptr, false);
    waitForJobs();
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(suspended.empty());
    EXPECT_TRUE(cloud->calls().empty());
    const DeletedNote entry = onlyEntry();
    EXPECT_FALSE(entry.removeCloudCopies);
    EXPECT_EQ(entry.cloudBinding, publishedBinding());
    controller->present();
    EXPECT_EQ(cell(0, 1), QStringLiteral("30 days remaining · Existing sync folder copies kept"));
}

TEST_F(DeletedNotesControllerTest, CopiesStillToMoveAreShownAsPending) {
    DeletedNote entry = store.archive(packagePath, contents.note, publishedBinding(), true,
                                      clockNow - 86400.0 * 2.5);
    controller->present();
    EXPECT_EQ(cell(0, 1), QStringLiteral("28 days remaining · Sync folder removal pending"));
    controller->retrySelected();
    waitForJobs();
    EXPECT_EQ(cell(0, 1), QStringLiteral("28 days remaining · Includes sync folder copies"));
    // Expiry then takes the archived copies to the Trash with the package.
    clockNow += 30 * 86400.0;
    controller->retrySelected();
    waitForJobs();
    EXPECT_EQ(cloud->calls(), (std::vector<std::string>{"plan", "archive", "trash"}));
    EXPECT_EQ(trash->trashed, std::vector<QString>{store.package(entry.id)});
    EXPECT_EQ(cell(0, 1), QStringLiteral("Recovered from Trash · Restore to use this note"));
}

TEST_F(DeletedNotesControllerTest, ShowFilesNeedsTheFolder) {
    controller->present();
    EXPECT_EQ(window().status().text(), QStringLiteral("0 notes"));
    EXPECT_FALSE(window().revealButton().isEnabled());
    EXPECT_FALSE(window().restoreButton().isEnabled());
    EXPECT_FALSE(window().retryButton().isEnabled());
}

TEST_F(DeletedNotesControllerTest, AFolderThatCannotBeReadShowsWhy) {
    folder.write(QStringLiteral("Recently Deleted"), "not a folder");
    controller->present();
    EXPECT_EQ(window().status().text(),
              QStringLiteral("The Recently Deleted folder could not be read."));
    EXPECT_EQ(window().table().rowCount(), 0);
    EXPECT_FALSE(window().revealButton().isEnabled());
}

TEST_F(DeletedNotesControllerTest, RestoreSelectedRestoresAndOpensTheNote) {
    store.archive(packagePath, contents.note, {}, false, clockNow);
    controller->present();
    QSignalSpy changed(controller.get(), &DeletedNotesController::deletedNotesChanged);
    controller->restoreSelected();
    EXPECT_EQ(cell(0, 1), QStringLiteral("Restoring…"));
    EXPECT_FALSE(window().restoreButton().isEnabled());
    waitForJobs();
    EXPECT_EQ(opened, std::vector<QString>{packagePath});
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(store.load().empty());
    EXPECT_EQ(window().table().rowCount(), 0);
    EXPECT_GE(changed.count(), 1);
}

TEST_F(DeletedNotesControllerTest, ConfirmedDeletionClosesSavesAndMoves) {
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    QWidget editor;
    editor.show();
    documents = {document.get()};
    controller->confirmDeletion(*document, &editor, false);
    EXPECT_EQ(asked, std::vector<QString>{contents.note.title});
    waitForJobs();
    EXPECT_TRUE(errors.empty()) << errors.front().toStdString();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
    const DeletedNote entry = onlyEntry();
    EXPECT_TRUE(entry.localArchived);
    EXPECT_EQ(entry.deletedAt, clockNow);
    EXPECT_EQ(forgotten, std::vector<Id>{contents.note.id});
}

TEST_F(DeletedNotesControllerTest, RefusalsComeBeforeTheQuestion) {
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    std::unique_ptr<NoteDocument> copy = NoteDocument::open(packagePath);
    voiceBusy = true;
    controller->confirmDeletion(*document, nullptr, false);
    voiceBusy = false;
    documents = {document.get(), copy.get()};
    controller->confirmDeletion(*document, nullptr, false);
    EXPECT_EQ(errors,
              (std::vector<QString>{
                  QStringLiteral("Finish the voice notes before deleting this note."),
                  QStringLiteral("Close the other copy of this note before deleting it.")}));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
}

TEST_F(DeletedNotesControllerTest, CancelKeepsTheNoteAndClosesWhenAsked) {
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    QWidget editor;
    editor.show();
    answer = std::nullopt;
    controller->confirmDeletion(*document, &editor, false);
    EXPECT_TRUE(editor.isVisible());
    controller->confirmDeletion(*document, &editor, true);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(controller->runningJobs(), 0);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
    EXPECT_TRUE(errors.empty());
}

TEST_F(DeletedNotesControllerTest, ANoteChangedDuringTheQuestionIsKept) {
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    whileAsking = [&] {
        document->change(QStringLiteral("Rename Note"),
                         [](CaptureNote& note) { note.title = QStringLiteral("Renamed"); });
    };
    controller->confirmDeletion(*document, nullptr, false);
    QElapsedTimer timer;
    timer.start();
    while (errors.empty() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(errors,
              std::vector<QString>{QStringLiteral("The note changed. Save it and try again.")});
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
}

TEST_F(DeletedNotesControllerTest, AnUnsavedNoteIsNotDeleted) {
    NoteDocument unsaved(library);
    controller->confirmDeletion(unsaved, nullptr, false);
    QElapsedTimer timer;
    timer.start();
    while (errors.empty() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(errors, std::vector<QString>{QStringLiteral("Save the note before deleting it.")});
}

TEST_F(DeletedNotesControllerTest, StartFinishesInterruptedDeletions) {
    store.begin(packagePath, contents.note, {}, false, clockNow);
    controller->start();
    waitForJobs();
    EXPECT_TRUE(onlyEntry().localArchived);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Missing);
}

TEST_F(DeletedNotesControllerTest, RetryWhileTheNoteIsOpenAgainIsRefused) {
    const DeletedNote entry = store.begin(packagePath, contents.note, {}, false, clockNow);
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    documents = {document.get()};
    controller->present();
    controller->retrySelected();
    EXPECT_EQ(errors, std::vector<QString>{
                          QStringLiteral("Close the open note before retrying deletion.")});
    EXPECT_EQ(onlyEntry().error, QStringLiteral("Close the open note before retrying deletion."));
    EXPECT_EQ(cell(0, 1), QStringLiteral("Close the open note before retrying deletion."));
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
    Q_UNUSED(entry);
}

TEST_F(DeletedNotesControllerTest, ExpiryWaitsForTheSyncFolder) {
    DeletedNote entry = store.archive(packagePath, contents.note, {}, true, clockNow);
    cloud->folderReachable = false;
    clockNow += 29 * 86400.0;
    controller->start();
    waitForJobs();
    // Before its date an unreachable folder is no failure: the copies just wait.
    EXPECT_FALSE(onlyEntry().error);
    clockNow += 2 * 86400.0;
    controller->retryPending();
    waitForJobs();
    // The minute's retries keep the reason in the list instead of alerting every minute.
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(onlyEntry().error,
              QStringLiteral("Waiting for the sync folder before the deleted note can expire."));
    EXPECT_TRUE(trash->trashed.empty());
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);
}

TEST_F(DeletedNotesControllerTest, ExpiredEntriesGoToTheTrash) {
    const DeletedNote entry = store.archive(packagePath, contents.note, {}, false, clockNow);
    clockNow += 30 * 86400.0;
    controller->start();
    waitForJobs();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(trash->trashed, std::vector<QString>{store.package(entry.id)});
    EXPECT_TRUE(onlyEntry().expiredToTrash);
}

TEST_F(DeletedNotesControllerTest, RetryShowsTheFailureAndKeepsIt) {
    DeletedNote entry = store.archive(packagePath, contents.note, {}, true, clockNow);
    cloud->folderReachable = false;
    clockNow += 31 * 86400.0;
    controller->present();
    EXPECT_TRUE(window().retryButton().isEnabled());
    controller->retrySelected();
    waitForJobs();
    const QString waiting =
        QStringLiteral("Waiting for the sync folder before the deleted note can expire.");
    EXPECT_EQ(errors, std::vector<QString>{waiting});
    EXPECT_EQ(cell(0, 1), waiting);
    EXPECT_EQ(entryKind(store.package(entry.id)), EntryKind::Folder);
}

TEST_F(DeletedNotesControllerTest, TheTimerLeavesAnOpenNoteAlone) {
    store.begin(packagePath, contents.note, {}, false, clockNow);
    std::unique_ptr<NoteDocument> document = NoteDocument::open(packagePath);
    documents = {document.get()};
    controller->start();
    waitForJobs();
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(onlyEntry().localArchived);
    EXPECT_EQ(entryKind(packagePath), EntryKind::Folder);
}

} // namespace
} // namespace lumbex
