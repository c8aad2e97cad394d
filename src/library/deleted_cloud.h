#pragma once

#include "library/deleted_note.h"

namespace lumbex {

class Trash;

// The sync-folder side of a deletion: what the note's copies in the sync folder go through while
// the local package waits in Recently Deleted. This build has no sync engine, so nothing
// implements it yet; callers pass none, and the store then keeps every step that needs the
// sync folder pending (an entry that removes synced copies does not expire).
class DeletedCloudSide {
public:
    virtual ~DeletedCloudSide() = default;
    // Whether the entry's sync folder can be reached now; while it cannot, its copies wait where
    // they are (and the entry cannot expire) without counting as a failure.
    virtual bool reachable(const DeletedNote&) const { return true; }
    // Lists the note's paths in the sync folder into `entry.cloudPaths` (throws when they cannot
    // be verified; every file stays in place).
    virtual void plan(DeletedNote& entry) = 0;
    // Moves those paths into `entry.cloudArchivePath()` beside a deletion marker.
    virtual void archive(const DeletedNote& entry) = 0;
    // Moves the archived paths back to their places and resumes the note's sync.
    virtual void restore(const DeletedNote& entry) = 0;
    // Moves the archive folder to the Trash when it exists.
    virtual void trashArchive(const DeletedNote& entry, Trash& trash) = 0;
};

} // namespace lumbex
