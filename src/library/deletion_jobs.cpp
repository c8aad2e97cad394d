#include "library/deletion_jobs.h"

#include "core/error.h"
#include "core/files.h"
#include "library/deleted_cloud.h"
#include "library/deleted_notes_store.h"

namespace lumbex {
namespace {

std::optional<QString> runSteps(const DeletedNotesStore& store, DeletedNote& entry,
                                DeletedCloudSide* cloud, Trash& trash, Date now) {
    if (entry.restoring) {
        const QString target = store.restoreLocal(entry, now);
        // Without the sync side the entry stays, restored here with its synced copies pending.
        if (entry.cloudArchived) {
            if (!cloud)
                return target;
            cloud->restore(entry);
        }
        store.finishRestore(entry);
        return target;
    }
    store.completeLocalArchive(entry);
    DeletedCloudSide* reachable = cloud && cloud->reachable(entry) ? cloud : nullptr;
    store.archiveCloud(entry, reachable);
    store.expire(entry, reachable, now, trash);
    return std::nullopt;
}

} // namespace

std::optional<QString> runDeletedNoteJob(const DeletedNotesStore& store, DeletedNote& entry,
                                         DeletedCloudSide* cloud, Trash& trash, Date now) {
    const bool hadError = entry.error.has_value();
    entry.error.reset();
    try {
        auto restored = runSteps(store, entry, cloud, trash, now);
        // A finished restore has removed the record; otherwise the cleared error is written.
        if (hadError && entryKind(store.directory(entry.id) + QStringLiteral("/record.json")) ==
                            EntryKind::File)
            store.save(entry);
        return restored;
    } catch (const LumbexError& failure) {
        entry.error = failure.message();
        try {
            store.save(entry);
        } catch (const LumbexError&) {
            // The folder itself is gone or unwritable: the failure above is what to report.
        }
        throw;
    }
}

} // namespace lumbex
