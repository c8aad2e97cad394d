#include "app/deleted_ui/deleted_notes_controller.h"

#include "app/deleted_ui/deleted_notes_window.h"
#include "app/deleted_ui/deletion_question.h"
#include "core/error.h"
#include "library/deleted_cloud.h"
#include "library/deleted_note_state.h"
#include "library/deletion_jobs.h"
#include "library/trash.h"
#include "model/note_document.h"
#include "platform/file_reveal.h"

#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMessageBox>
#include <QPushButton>
#include <QtConcurrent/QtConcurrentRun>

namespace lumbex {
namespace {

void alert(const QString& message, QWidget* parent) {
    auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace

DeletedNotesController::DeletedNotesController(DeletedNotesStore store,
                                               std::shared_ptr<Trash> trash,
                                               DeletedNotesServices services, QObject* parent)
    : QObject(parent), store_(std::move(store)), trash_(std::move(trash)),
      services_(std::move(services)) {
    if (!services_.confirm)
        services_.confirm = askToMoveToRecentlyDeleted;
    if (!services_.showError)
        services_.showError = alert;
    if (!services_.reveal)
        services_.reveal = [](const QString& folder) { revealFiles({folder}); };
    workers_.setMaxThreadCount(2);
    timer_.setInterval(kRetryIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &DeletedNotesController::retryPending);
}

DeletedNotesController::~DeletedNotesController() {
    // Jobs hold copies of what they need; their results are dropped with this controller.
    workers_.waitForDone();
    delete window_;
}

void DeletedNotesController::start() {
    if (started_)
        return;
    started_ = true;
    retryPending();
    timer_.start();
}

DeletedNotesWindow* DeletedNotesController::window() const {
    return window_;
}

void DeletedNotesController::present() {
    if (!window_) {
        window_ = new DeletedNotesWindow;
        connect(window_, &DeletedNotesWindow::selectionChanged, this,
                &DeletedNotesController::updateButtons);
        connect(&window_->restoreButton(), &QPushButton::clicked, this,
                &DeletedNotesController::restoreSelected);
        connect(&window_->retryButton(), &QPushButton::clicked, this,
                &DeletedNotesController::retrySelected);
        connect(&window_->revealButton(), &QPushButton::clicked, this,
                &DeletedNotesController::revealSelected);
    }
    reload();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void DeletedNotesController::fail(const QString& message, QWidget* parent) {
    services_.showError(message, parent ? parent : window_.data());
}

void DeletedNotesController::confirmDeletion(NoteDocument& document, QWidget* window,
                                             bool closeOnCancel) {
    const CaptureNote confirmed = document.note();
    if (services_.voicePending(confirmed.id))
        return fail(QStringLiteral("Finish the voice notes before deleting this note."), window);
    for (NoteDocument* other : services_.openDocuments())
        if (other != &document && other->note().id == confirmed.id)
            return fail(QStringLiteral("Close the other copy of this note before deleting it."),
                        window);
    const std::optional<QJsonObject> binding = services_.cloudBinding(confirmed.id);
    const std::optional<bool> answer = services_.confirm(confirmed.title, bool(binding), window);
    if (!answer) {
        if (closeOnCancel && window)
            window->close();
        return;
    }
    const bool withCloud = *answer && binding;
    QPointer<NoteDocument> saved(&document);
    QPointer<QWidget> owner(window);
    document.saveCheckpoint(
        [this, saved, owner, confirmed, binding, withCloud](const std::optional<QString>& error) {
            if (!saved)
                return;
            if (error || saved->filePath().isEmpty())
                return fail(QStringLiteral("Save the note before deleting it."), owner);
            // No publication may start from the note while its copies move away.
            if (withCloud)
                services_.suspendCloud(confirmed.id);
            // A finished save cycle holds every change made before it ended: a note that still
            // differs from the confirmed one changed after the question.
            if (saved->note().revision != confirmed.revision || saved->isSaving())
                return fail(QStringLiteral("The note changed. Save it and try again."), owner);
            const QString path = saved->filePath();
            const CaptureNote note = saved->note();
            // The document ends with its window; the move starts once nothing can save into it.
            if (owner) {
                if (!owner->close())
                    return fail(QStringLiteral("The note changed. Save it and try again."), owner);
            } else {
                saved->close();
            }
            // The binding as it is now: the save may have published a newer receipt.
            const auto current = services_.cloudBinding(note.id);
            startDeletion(path, note, current ? current : binding, withCloud);
        });
}

void DeletedNotesController::startDeletion(const QString& path, const CaptureNote& note,
                                           const std::optional<QJsonObject>& binding,
                                           bool withCloud) {
    ++starting_;
    auto* watcher = new QFutureWatcher<JobResult>(this);
    connect(watcher, &QFutureWatcher<JobResult>::finished, this, [this, watcher, note, withCloud] {
        const JobResult result = watcher->result();
        watcher->deleteLater();
        --starting_;
        if (result.entry) {
            services_.forget(note.id);
            services_.cloudDeleted(note.id, withCloud);
        }
        finishJob(result, false, true);
    });
    const DeletedNotesStore store = store_;
    const std::shared_ptr<Trash> trash = trash_;
    const std::shared_ptr<DeletedCloudSide> cloud = services_.cloud;
    const Date when = services_.clock();
    watcher->setFuture(
        QtConcurrent::run(&workers_, [store, trash, cloud, path, note, binding, withCloud, when] {
            JobResult result;
            try {
                DeletedNote entry = store.begin(path, note, binding, withCloud, when);
                result.entry = entry;
                runDeletedNoteJob(store, entry, cloud.get(), *trash, when);
                result.entry = entry;
            } catch (const LumbexError& e) {
                result.error = e.message();
            }
            return result;
        }));
}

bool DeletedNotesController::noteIsOpen(const DeletedNote& entry) const {
    const QString original = QFileInfo(entry.originalURL).absoluteFilePath();
    for (NoteDocument* document : services_.openDocuments())
        if (document->note().id == entry.noteID ||
            QFileInfo(document->filePath()).absoluteFilePath() == original)
            return true;
    return false;
}

void DeletedNotesController::process(const DeletedNote& entry, bool showRestored) {
    runJob(entry, showRestored, true);
}

void DeletedNotesController::runJob(const DeletedNote& given, bool showRestored, bool announce) {
    if (hasJob(given.id))
        return;
    DeletedNote entry = given;
    if (!entry.restoring && !entry.localArchived && noteIsOpen(entry)) {
        entry.error = QStringLiteral("Close the open note before retrying deletion.");
        try {
            store_.save(entry);
        } catch (const LumbexError&) {
        }
        if (announce)
            fail(*entry.error);
        reload();
        return;
    }
    jobs_[entry.id] = true;
    auto* watcher = new QFutureWatcher<JobResult>(this);
    const Id id = entry.id;
    connect(watcher, &QFutureWatcher<JobResult>::finished, this,
            [this, watcher, id, showRestored, announce] {
                const JobResult result = watcher->result();
                watcher->deleteLater();
                jobs_.erase(id);
                finishJob(result, showRestored, announce);
            });
    const DeletedNotesStore store = store_;
    const std::shared_ptr<Trash> trash = trash_;
    const std::shared_ptr<DeletedCloudSide> cloud = services_.cloud;
    const Date when = services_.clock();
    watcher->setFuture(QtConcurrent::run(&workers_, [store, trash, cloud, entry, when]() mutable {
        JobResult result;
        // The record as it is now: the list may be older than a change made elsewhere.
        if (auto current = store.entry(entry.id))
            entry = *current;
        try {
            result.restored = runDeletedNoteJob(store, entry, cloud.get(), *trash, when);
        } catch (const LumbexError& e) {
            result.error = e.message();
        }
        result.entry = entry;
        return result;
    }));
    reload();
}

void DeletedNotesController::finishJob(const JobResult& result, bool showRestored, bool announce) {
    if (result.error && announce)
        fail(*result.error);
    else if (result.restored && showRestored)
        services_.openRestored(*result.restored);
    reload();
    emit jobFinished();
}

void DeletedNotesController::retryPending() {
    const Date when = services_.clock();
    std::vector<DeletedNote> entries;
    try {
        entries = store_.load();
    } catch (const LumbexError&) {
        // reload() below shows the failure in the status line.
    }
    // A deletion still starting has no id to keep its entry out of the pass: wait a minute.
    if (starting_ > 0)
        entries.clear();
    for (const DeletedNote& entry : entries) {
        // A note opened again waits until its window closes; Retry says so.
        if (!entry.restoring && !entry.localArchived && noteIsOpen(entry))
            continue;
        if (!hasJob(entry.id) && deletedNoteNeedsWork(entry, when))
            runJob(entry, false, false);
    }
    reload();
}

void DeletedNotesController::reload() {
    QString status;
    QString tip;
    try {
        const auto listing = store_.read();
        entries_ = listing.entries;
        status = deletedNotesStatus(int(entries_.size()), listing.unreadable);
        if (listing.unreadable > 0)
            tip = deletedNotesUnreadableTip(store_.root());
    } catch (const LumbexError& e) {
        entries_.clear();
        status = e.message();
    }
    if (window_) {
        const Date when = services_.clock();
        std::vector<DeletedNotesWindow::Row> rows;
        for (const DeletedNote& entry : entries_)
            rows.push_back(
                {entry.id, entry.title, deletedNoteStateLine(entry, hasJob(entry.id), when)});
        window_->setRows(rows, window_->selectedId());
        window_->setStatus(status, tip);
        updateButtons();
    }
    emit deletedNotesChanged();
}

std::optional<DeletedNote> DeletedNotesController::selectedEntry() const {
    if (!window_)
        return std::nullopt;
    const auto id = window_->selectedId();
    for (const DeletedNote& entry : entries_)
        if (id && entry.id == *id)
            return entry;
    return std::nullopt;
}

void DeletedNotesController::updateButtons() {
    if (!window_)
        return;
    const auto entry = selectedEntry();
    const bool idle = entry && !hasJob(entry->id);
    window_->restoreButton().setEnabled(idle);
    window_->restoreButton().setText(entry && entry->restoring ? QStringLiteral("Finish Restore")
                                                               : QStringLiteral("Restore"));
    window_->retryButton().setEnabled(idle && deletedNoteRetryable(*entry, services_.clock()));
    window_->revealButton().setEnabled(QFileInfo(store_.root()).isDir());
}

void DeletedNotesController::restoreSelected() {
    auto entry = selectedEntry();
    if (!entry || hasJob(entry->id))
        return;
    try {
        store_.beginRestore(*entry);
    } catch (const LumbexError& e) {
        return fail(e.message());
    }
    process(*entry, true);
}

void DeletedNotesController::retrySelected() {
    const auto entry = selectedEntry();
    if (entry && !hasJob(entry->id))
        process(*entry, false);
}

void DeletedNotesController::revealSelected() {
    const auto entry = selectedEntry();
    services_.reveal(entry ? store_.directory(entry->id) : store_.root());
}

} // namespace lumbex
