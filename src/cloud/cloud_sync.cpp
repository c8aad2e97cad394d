#include "cloud/cloud_sync.h"

#include "cloud/cloud_files.h"
#include "cloud/cloud_messages.h"
#include "core/dates.h"
#include "core/error.h"
#include "core/files.h"
#include "model/note_package.h"
#include "platform/sync_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent>

namespace lumbex {
namespace {

QString standardFolder(const QString& folder) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QFileInfo(folder).absoluteFilePath()) : canonical;
}

struct Outcome {
    std::optional<CloudReceipt> receipt;
    QString error;
};

} // namespace

CloudReceipt prepareAndPublish(const Id& noteID, const CloudBinding& binding,
                               const std::optional<CloudSnapshotInput>& snapshot,
                               const QString& queue, const ReaderFileWriters& writers,
                               const std::function<void(const QString&)>& placed) {
    const CloudSnapshotInput input = snapshot ? *snapshot : readNotePackage(binding.localNote);
    if (input.note.id != noteID)
        throw LumbexError(QString::fromUtf8(CloudMessages::localReplaced));
    const PreparedCloudRevision prepared =
        PreparedCloudRevision::prepare(input, binding.includeVoiceAudio, queue, writers);
    return CloudStore::publish(prepared, binding.folder, binding.receipt, placed);
}

CloudSync::CloudSync(CloudBindings store, Services services, Delays delays, QObject* parent)
    : QObject(parent), store_(std::move(store)), services_(std::move(services)), delays_(delays) {
    if (!services_.account)
        services_.account = [](const QString& folder) -> std::optional<QString> {
            if (const auto found = recognizeSyncFolder(folder))
                return found->account;
            return std::nullopt;
        };
    bindings_ = store_.load();
    poll_.setInterval(delays_.poll);
    QObject::connect(&poll_, &QTimer::timeout, this, &CloudSync::refreshUploads);
}

CloudSync::~CloudSync() {
    // A running job's result has nowhere to go once the engine is gone.
    workers_.waitForDone();
}

void CloudSync::start() {
    if (started_)
        return;
    started_ = true;
    poll_.start();
    for (const auto& [id, binding] : bindings_)
        if (binding.enabled)
            schedule(id, delays_.afterStart);
}

void CloudSync::schedule(const Id& noteID, int delay) {
    auto timer = std::make_unique<QTimer>();
    timer->setSingleShot(true);
    QObject::connect(timer.get(), &QTimer::timeout, this, [this, noteID] { sync(noteID); });
    timer->start(delay);
    timers_[noteID] = std::move(timer);
}

void CloudSync::setMessage(const Id& noteID, const QString& message) {
    messages_[noteID] = message;
    emit changed(noteID);
}

void CloudSync::persist() {
    store_.save(bindings_);
}

void CloudSync::cancel(const Id& noteID) {
    jobs_.erase(noteID);
    timers_.erase(noteID);
}

bool CloudSync::sameAccount(const CloudBinding& binding) const {
    return binding.account == services_.account(binding.folder);
}

void CloudSync::connect(const Id& noteID, const QString& package, const QString& folder,
                        bool includeVoiceAudio) {
    if (package.isEmpty() || entryKind(package) != EntryKind::Folder)
        throw LumbexError(QString::fromUtf8(CloudMessages::saveFirst));
    CloudStore::checkFolder(folder);
    const QString chosen = standardFolder(folder);
    CloudBinding binding;
    if (const auto it = bindings_.find(noteID);
        it != bindings_.end() && standardFolder(it->second.folder) == chosen)
        binding.receipt = it->second.receipt;
    cancel(noteID);
    binding.enabled = true;
    binding.includeVoiceAudio = includeVoiceAudio;
    binding.folder = chosen;
    binding.localNote = QFileInfo(package).absoluteFilePath();
    binding.account = services_.account(chosen);
    bindings_[noteID] = binding;
    persist();
    setMessage(noteID, CloudLabels::waiting);
    schedule(noteID, delays_.afterStart);
}

void CloudSync::disable(const Id& noteID) {
    cancel(noteID);
    const auto it = bindings_.find(noteID);
    if (it == bindings_.end())
        return;
    it->second.enabled = false;
    persist();
    setMessage(noteID, CloudLabels::offKept);
}

bool CloudSync::isEnabled(const Id& noteID) const {
    const auto it = bindings_.find(noteID);
    return it != bindings_.end() && it->second.enabled;
}

bool CloudSync::busy(const Id& noteID) const {
    return jobs_.contains(noteID);
}

std::optional<QString> CloudSync::folder(const Id& noteID) const {
    const auto it = bindings_.find(noteID);
    if (it == bindings_.end() || entryKind(it->second.folder) != EntryKind::Folder)
        return std::nullopt;
    return it->second.folder;
}

std::optional<CloudBinding> CloudSync::binding(const Id& noteID) const {
    const auto it = bindings_.find(noteID);
    return it == bindings_.end() ? std::nullopt : std::optional(it->second);
}

QString CloudSync::message(const Id& noteID) const {
    const auto it = messages_.find(noteID);
    return it == messages_.end() ? QString() : it->second;
}

QString CloudSync::label(const Id& noteID, qint64 revision) const {
    const auto it = bindings_.find(noteID);
    if (it == bindings_.end())
        return CloudLabels::off;
    if (!it->second.enabled)
        return CloudLabels::offKept;
    const QString stored = message(noteID);
    if (stored.startsWith(QStringLiteral("Couldn’t Sync")) ||
        stored.startsWith(QStringLiteral("Cloud copy changed")) ||
        stored.startsWith(QStringLiteral("Sync account changed")) ||
        stored == QStringLiteral("Download required") || stored == CloudLabels::downloadWaiting)
        return stored;
    if (!it->second.receipt || it->second.receipt->revision.revision != revision)
        return CloudLabels::updating;
    return stored.isEmpty() ? CloudLabels::waiting : stored;
}

void CloudSync::saved(const Id& noteID, const QString& package) {
    const auto it = bindings_.find(noteID);
    if (it == bindings_.end() || !it->second.enabled)
        return;
    try {
        const QString local = QFileInfo(package).absoluteFilePath();
        if (it->second.localNote != local) {
            it->second.localNote = local;
            persist();
        }
        setMessage(noteID, CloudLabels::updating);
        schedule(noteID, delays_.afterSave);
    } catch (const LumbexError& error) {
        setMessage(noteID, CloudLabels::failedPrefix + error.message());
    }
}

void CloudSync::sync(const Id& noteID) {
    const auto it = bindings_.find(noteID);
    if (it == bindings_.end() || !it->second.enabled)
        return;
    if (busy(noteID)) {
        schedule(noteID, delays_.whenBusy);
        return;
    }
    const CloudBinding binding = it->second;
    try {
        if (!sameAccount(binding)) {
            setMessage(noteID, CloudLabels::accountChanged);
            return;
        }
    } catch (const LumbexError& error) {
        // The client that would tell the account does not answer: nothing is known to change.
        setMessage(noteID, CloudLabels::failedPrefix + error.message());
        return;
    }
    setMessage(noteID, CloudLabels::preparing);
    try {
        CloudStore::checkFolder(binding.folder);
        if (services_.voicePending && services_.voicePending(noteID)) {
            setMessage(noteID, CloudLabels::voice);
            schedule(noteID, delays_.forVoice);
            return;
        }
    } catch (const LumbexError& error) {
        setMessage(noteID, CloudLabels::failedPrefix + error.message());
        return;
    }
    std::optional<CloudSnapshotInput> snapshot;
    if (services_.unsavedSnapshot)
        snapshot = services_.unsavedSnapshot(noteID);

    const quint64 generation = ++generation_;
    jobs_[noteID] = generation;
    const QString queue = store_.queue();
    const ReaderFileWriters writers = services_.writers;
    auto* watcher = new QFutureWatcher<Outcome>(this);
    QObject::connect(watcher, &QFutureWatcher<Outcome>::finished, this,
                     [this, watcher, noteID, generation] {
                         const Outcome outcome = watcher->result();
                         watcher->deleteLater();
                         finished(noteID, generation, outcome.receipt, outcome.error);
                     });
    watcher->setFuture(QtConcurrent::run(&workers_, [binding, snapshot, queue, writers, noteID]() {
        Outcome outcome;
        try {
            outcome.receipt = prepareAndPublish(noteID, binding, snapshot, queue, writers);
        } catch (const LumbexError& error) {
            outcome.error = error.message();
        }
        return outcome;
    }));
}

void CloudSync::finished(const Id& noteID, quint64 generation,
                         const std::optional<CloudReceipt>& receipt, const QString& error) {
    const auto job = jobs_.find(noteID);
    if (job == jobs_.end() || job->second != generation)
        return; // cancelled meanwhile: its result is not this binding's any more
    jobs_.erase(job);
    const auto it = bindings_.find(noteID);
    if (it == bindings_.end())
        return;
    if (!receipt) {
        setMessage(noteID, CloudLabels::failedPrefix + error);
        return;
    }
    it->second.receipt = receipt;
    try {
        persist();
    } catch (const LumbexError& failure) {
        setMessage(noteID, CloudLabels::failedPrefix + failure.message());
        return;
    }
    inspectAfter_[noteID] = now() + delays_.inspectAfterPublish / 1000.0;
    setMessage(noteID, CloudLabels::waiting);
}

void CloudSync::downloadAndRetry(const Id& noteID) {
    const auto it = bindings_.find(noteID);
    if (it == bindings_.end() || !it->second.enabled)
        return;
    if (!it->second.receipt)
        return sync(noteID);
    const CloudBinding binding = it->second;
    try {
        QStringList files;
        for (const CloudFile& file : binding.receipt->requiredFiles())
            files << CloudFiles::resolve(binding.folder, file.path);
        if (services_.requestDownload)
            services_.requestDownload(binding.folder, files);
    } catch (const LumbexError& error) {
        setMessage(noteID, CloudLabels::failedPrefix + error.message());
        return;
    }
    setMessage(noteID, CloudLabels::downloadWaiting);
    schedule(noteID, delays_.whenBusy);
}

void CloudSync::refreshUploads() {
    for (const auto& [id, binding] : bindings_) {
        if (!binding.enabled || !binding.receipt || busy(id))
            continue;
        const auto due = inspectAfter_.find(id);
        if (due != inspectAfter_.end() && due->second > now())
            continue;
        try {
            if (!sameAccount(binding)) {
                // Another identity now holds the folder: the note waits for a reconnection.
                cancel(id);
                if (message(id) != CloudLabels::accountChanged)
                    setMessage(id, CloudLabels::accountChanged);
                continue;
            }
            const CloudUploadState state =
                CloudStore::status(binding.folder, *binding.receipt, services_.progress);
            setMessage(id, state.label());
        } catch (const LumbexError& error) {
            setMessage(id, CloudLabels::failedPrefix + error.message());
        }
    }
}

void CloudSync::accountChanged() {
    for (const auto& [id, binding] : bindings_)
        if (binding.enabled) {
            cancel(id);
            setMessage(id, CloudLabels::accountChanged);
        }
}

std::optional<CloudBinding> CloudSync::suspendForDeletion(const Id& noteID) {
    cancel(noteID);
    return binding(noteID);
}

std::optional<QString> CloudSync::folderForDeletion(const QJsonObject& json) {
    try {
        const CloudBinding binding = CloudBinding::fromJson(json);
        if (entryKind(binding.folder) == EntryKind::Folder)
            return binding.folder;
    } catch (const LumbexError&) {
    }
    return std::nullopt;
}

void CloudSync::endForDeletion(const Id& noteID) {
    cancel(noteID);
    if (bindings_.erase(noteID) == 0)
        return;
    messages_.erase(noteID);
    inspectAfter_.erase(noteID);
    persist();
    emit changed(noteID);
}

void CloudSync::resumeRestored(const Id& noteID, const QString& localPackage,
                               const CloudBinding& previous) {
    CloudBinding binding = previous;
    binding.localNote = QFileInfo(localPackage).absoluteFilePath();
    bindings_[noteID] = binding;
    persist();
    if (binding.enabled)
        schedule(noteID, delays_.afterStart);
    emit changed(noteID);
}

} // namespace lumbex
