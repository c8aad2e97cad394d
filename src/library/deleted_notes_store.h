#pragma once

#include "core/dates.h"
#include "library/deleted_note.h"
#include "records/capture_note.h"

#include <QString>
#include <functional>
#include <vector>

namespace lumbex {

class DeletedCloudSide;
class Trash;

// Recently Deleted on disk: one folder per deletion under `root` ("<ID>/record.json" and, once
// moved, "<ID>/Note.capturenote"). The store keeps no state of its own: every operation reads
// and writes the record, saving each flag right after its step, so that running an operation
// again after an interruption finishes it. When files do not look as the record says, it stops
// and keeps every copy. Operations block on the disk; callers run one at a time per entry.
class DeletedNotesStore {
public:
    struct Listing {
        std::vector<DeletedNote> entries;
        // Folders named by a UUID whose record could not be read.
        int unreadable = 0;
    };
    // Called with the name of each step once it is on disk; only for tests that stop a process
    // between two steps.
    using StepObserver = std::function<void(const char* step)>;

    // `root` defaults to "Recently Deleted" beside the library folder ("Preview Recently Deleted"
    // beside a library named "Voice Preview Notes").
    explicit DeletedNotesStore(QString library, QString root = {});

    static QString defaultRoot(const QString& library);

    const QString& root() const { return root_; }
    const QString& library() const { return library_; }
    void setStepObserver(StepObserver observer) { observer_ = std::move(observer); }

    // Whether `path`, symbolic links resolved, lies inside the root.
    bool contains(const QString& path) const;
    QString directory(const Id& id) const;
    QString package(const Id& id) const;

    void save(const DeletedNote& entry) const;
    std::vector<DeletedNote> load() const;
    Listing read() const;
    // The entry's record as it is on disk now; none when it cannot be read.
    std::optional<DeletedNote> entry(const Id& id) const;

    // Checks the package at `path` against `note` (the open document's note, just saved) and
    // writes the deletion's record; nothing moves yet.
    DeletedNote begin(const QString& path, const CaptureNote& note,
                      const std::optional<QJsonObject>& binding, bool removeCloud, Date now) const;
    // begin() and then completeLocalArchive().
    DeletedNote archive(const QString& path, const CaptureNote& note,
                        const std::optional<QJsonObject>& binding, bool removeCloud,
                        Date now) const;
    void completeLocalArchive(DeletedNote& entry) const;
    // Without a sync side, copies to remove stay pending (nothing happens).
    void archiveCloud(DeletedNote& entry, DeletedCloudSide* cloud) const;
    // Marks the entry as being restored (saved before anything moves).
    void beginRestore(DeletedNote& entry) const;
    // Restores the package and returns where it now is (the caller opens it).
    QString restoreLocal(DeletedNote& entry, Date now) const;
    // Removes the record and the folder once the restored package has left it.
    void finishRestore(const DeletedNote& entry) const;
    void expire(DeletedNote& entry, DeletedCloudSide* cloud, Date now, Trash& trash) const;

private:
    void step(const char* name) const {
        if (observer_)
            observer_(name);
    }
    QString chooseRestoreTarget(const DeletedNote& entry) const;
    void rewriteRestoredNote(DeletedNote& entry, const QString& target, Date now) const;

    QString library_;
    QString root_;
    StepObserver observer_;
};

} // namespace lumbex
