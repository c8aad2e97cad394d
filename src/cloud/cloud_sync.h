#pragma once

#include "cloud/cloud_binding.h"
#include "cloud/cloud_store.h"
#include "cloud/prepared_revision.h"

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

namespace lumbex {

// Keeps chosen notes published into their sync folders: a revision a few seconds after each
// save, at most one job per note, status read every 15 s, and the labels the editor and the sync
// window show. Lives on the GUI thread; preparing and publishing run on a worker thread.
class CloudSync : public QObject {
    Q_OBJECT
public:
    struct Delays {
        int afterSave = 5000;
        int afterStart = 1000;
        int whenBusy = 2000;
        int forVoice = 3000;
        int poll = 15000;
        int inspectAfterPublish = 5000;
    };
    struct Services {
        ReaderFileWriters writers;
        // Whether a voice note of this note is still being recorded or transcribed.
        std::function<bool(const Id&)> voicePending;
        // The open document's note with unsaved edits, when there is one.
        std::function<std::optional<CloudSnapshotInput>(const Id&)> unsavedSnapshot;
        // The sync client's identity for a folder (by default from recognizeSyncFolder).
        std::function<std::optional<QString>(const QString& folder)> account;
        UploadProgress progress;
        // Asks the folder's client to bring these files (absolute paths) up to date now.
        std::function<void(const QString& folder, const QStringList& files)> requestDownload;
    };

    CloudSync(CloudBindings store, Services services, Delays delays, QObject* parent = nullptr);
    ~CloudSync() override;

    // Once per run: schedules every enabled binding and starts the status polling.
    void start();

    // Connects a saved note to a sync folder and schedules its first publication. Reconnecting the
    // same folder keeps the receipt; another folder starts without one. Throws LumbexError.
    void connect(const Id& noteID, const QString& package, const QString& folder,
                 bool includeVoiceAudio);
    // Stops syncing; nothing in the sync folder is removed.
    void disable(const Id& noteID);
    bool isEnabled(const Id& noteID) const;
    bool busy(const Id& noteID) const;
    std::optional<QString> folder(const Id& noteID) const;
    std::optional<CloudBinding> binding(const Id& noteID) const;
    QString message(const Id& noteID) const;
    // The editor's label for a note at `revision`.
    QString label(const Id& noteID, qint64 revision) const;

    // A note was saved at `package`: publish it a few seconds later.
    void saved(const Id& noteID, const QString& package);
    // A sync run now (rescheduled while a job runs).
    void sync(const Id& noteID);
    // The window's Retry: asks the client for the files of the last receipt, then syncs 2 s later;
    // without a receipt it syncs at once.
    void downloadAndRetry(const Id& noteID);
    // Reads the state of every published receipt whose inspection is due.
    void refreshUploads();
    // The sync client's identity changed: every enabled binding waits for a reconnection.
    void accountChanged();

    // Deletion hooks: stop the note's sync and hand back its binding; the sync folder the
    // deletion's copies are in; resume a restored note at its new place.
    std::optional<CloudBinding> suspendForDeletion(const Id& noteID);
    static std::optional<QString> folderForDeletion(const QJsonObject& binding);
    // The note's copies moved with its deletion, whose record keeps the binding: the note no
    // longer syncs until a restore brings the binding back.
    void endForDeletion(const Id& noteID);
    void resumeRestored(const Id& noteID, const QString& localPackage,
                        const CloudBinding& previous);

signals:
    // A binding, message or state of the note changed.
    void changed(const Id& noteID);

private:
    struct Job;

    void schedule(const Id& noteID, int delay);
    void setMessage(const Id& noteID, const QString& message);
    void persist();
    void cancel(const Id& noteID);
    bool sameAccount(const CloudBinding& binding) const;
    void finished(const Id& noteID, quint64 generation, const std::optional<CloudReceipt>& receipt,
                  const QString& error);

    CloudBindings store_;
    Services services_;
    Delays delays_;
    std::map<Id, CloudBinding> bindings_;
    std::map<Id, QString> messages_;
    std::map<Id, std::unique_ptr<QTimer>> timers_;
    std::map<Id, quint64> jobs_;
    std::map<Id, double> inspectAfter_;
    quint64 generation_ = 0;
    // Sync jobs wait for the work they hand to the global pool (the PDF, its pictures, the reader
    // images); holding global threads while waiting would leave none for that work on a small
    // machine, so the jobs themselves run here.
    QThreadPool workers_;
    QTimer poll_;
    bool started_ = false;
};

// One sync run's work, off the GUI thread: the note (the snapshot, else the saved package, which
// must still hold the same note), prepared in the queue and published with the binding's receipt.
CloudReceipt prepareAndPublish(const Id& noteID, const CloudBinding& binding,
                               const std::optional<CloudSnapshotInput>& snapshot,
                               const QString& queue, const ReaderFileWriters& writers,
                               const std::function<void(const QString&)>& placed = {});

namespace CloudLabels {
inline const QString off = QStringLiteral("Sync: Off");
inline const QString offKept = QStringLiteral("Sync: Off · Existing cloud copies kept");
inline const QString updating = QStringLiteral("Reader copy updating…");
inline const QString preparing = QStringLiteral("Preparing mobile review…");
inline const QString voice = QStringLiteral("Waiting for voice notes to finish");
inline const QString waiting = QStringLiteral("Waiting for the sync client");
inline const QString accountChanged =
    QStringLiteral("Sync account changed · Reconnect to continue");
inline const QString failedPrefix = QStringLiteral("Couldn’t Sync: ");
inline const QString downloadWaiting = QStringLiteral("Waiting for cloud download…");
} // namespace CloudLabels

} // namespace lumbex
