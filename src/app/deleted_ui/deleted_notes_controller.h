#pragma once

#include "core/dates.h"
#include "library/deleted_notes_store.h"

#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace lumbex {

class DeletedCloudSide;
class DeletedNotesWindow;
class NoteDocument;
class Trash;

// Name other parts of the application know this event by.
inline constexpr char kDeletedNotesChangedNotification[] =
    "design.omek.lumbex.deleted-notes-changed";

// What the controller needs from the rest of the application; each has a working default except
// `openDocuments` and `openRestored`.
struct DeletedNotesServices {
    // Whether a voice session of the note still has work pending. There are no voice sessions
    // yet: never.
    std::function<bool(const Id& noteID)> voicePending = [](const Id&) { return false; };
    // The documents open in editor windows now.
    std::function<std::vector<NoteDocument*>()> openDocuments = [] {
        return std::vector<NoteDocument*>{};
    };
    // The question before a deletion: none to keep the note, else whether its sync-folder copies
    // move too (`offerCloud`: the note is connected to a sync folder). Default: the alert.
    std::function<std::optional<bool>(const QString& title, bool offerCloud, QWidget* parent)>
        confirm;
    // The note's sync binding as the deletion's record keeps it; none when not connected.
    std::function<std::optional<QJsonObject>(const Id& noteID)> cloudBinding = [](const Id&) {
        return std::nullopt;
    };
    // Stops the note's sync before its copies move with it.
    std::function<void(const Id& noteID)> suspendCloud = [](const Id&) {};
    // The deletion is recorded with the binding: when its copies moved, the note's sync ends.
    std::function<void(const Id& noteID, bool withCopies)> cloudDeleted = [](const Id&, bool) {};
    // The sync-folder steps of every job; none keeps them pending.
    std::shared_ptr<DeletedCloudSide> cloud;
    // Opens a restored package in an editor window.
    std::function<void(const QString& packagePath)> openRestored = [](const QString&) {};
    // Shows a failure. Default: a warning alert titled by the message.
    std::function<void(const QString& message, QWidget* parent)> showError;
    // Forgets what the settings remember about a deleted note.
    std::function<void(const Id& noteID)> forget = [](const Id&) {};
    // Shows a folder in the file manager. Default: platform/file_reveal.
    std::function<void(const QString& folder)> reveal;
    std::function<Date()> clock = &now;
};

// The single Recently Deleted window and the owner of every deletion and restore job: it asks
// before a deletion, makes sure the note is saved and closed first, runs each entry's remaining
// steps as one background job at a time per entry (results applied on the GUI thread), retries
// unfinished entries every minute, and lets the person restore, retry or show the files. Lives on
// the GUI thread for the whole run; closing the window does not stop jobs.
class DeletedNotesController : public QObject {
    Q_OBJECT
public:
    static constexpr int kRetryIntervalMs = 60'000;

    DeletedNotesController(DeletedNotesStore store, std::shared_ptr<Trash> trash,
                           DeletedNotesServices services, QObject* parent = nullptr);
    ~DeletedNotesController() override;

    const DeletedNotesStore& store() const { return store_; }
    // Once: retries pending work now and every minute after.
    void start();
    // Shows the window (made on first use) and brings it to the front.
    void present();
    // None until present() first made it.
    DeletedNotesWindow* window() const;

    // The delete command of an editor window (or of the library) for `document`, shown in
    // `window`: refusals, the question, a save, then the close and the move in the background.
    void confirmDeletion(NoteDocument& document, QWidget* window, bool closeOnCancel);
    void restoreSelected();
    void retrySelected();
    void revealSelected();
    // Starts the remaining steps of `entry` unless a job of it runs already.
    void process(const DeletedNote& entry, bool showRestored);
    void retryPending();
    void reload();

    // Jobs running now (starting deletions included).
    int runningJobs() const { return int(jobs_.size()) + starting_; }
    bool hasJob(const Id& entryID) const { return jobs_.count(entryID) != 0; }

signals:
    // kDeletedNotesChangedNotification: entries were added, changed or removed.
    void deletedNotesChanged();
    // A background job ended and its result has been applied.
    void jobFinished();

private:
    struct JobResult {
        std::optional<DeletedNote> entry;
        std::optional<QString> restored;
        std::optional<QString> error;
    };
    void startDeletion(const QString& path, const CaptureNote& note,
                       const std::optional<QJsonObject>& binding, bool withCloud);
    // `announce`: show a failure as an alert too (jobs the person started); the minute's retries
    // only keep it in the entry, or an alert would come back every minute.
    void runJob(const DeletedNote& entry, bool showRestored, bool announce);
    void finishJob(const JobResult& result, bool showRestored, bool announce);
    std::optional<DeletedNote> selectedEntry() const;
    void updateButtons();
    void fail(const QString& message, QWidget* parent = nullptr);
    bool noteIsOpen(const DeletedNote& entry) const;

    DeletedNotesStore store_;
    std::shared_ptr<Trash> trash_;
    DeletedNotesServices services_;
    QPointer<DeletedNotesWindow> window_;
    std::vector<DeletedNote> entries_;
    std::map<Id, bool> jobs_;
    int starting_ = 0;
    QTimer timer_;
    bool started_ = false;
    // Jobs block on the disk; one worker per entry at most, a few at a time.
    QThreadPool workers_;
};

} // namespace lumbex
