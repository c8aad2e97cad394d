#pragma once

#include "core/dates.h"
#include "library/deleted_note.h"

#include <QString>
#include <optional>

namespace lumbex {

class DeletedCloudSide;
class DeletedNotesStore;
class Trash;

// The remaining steps of one entry, run to the end or to the first failure. The window's
// background jobs and the command line both run entries through here.
//
// A restoring entry is restored (and its record removed once nothing is left to do); any other
// entry finishes moving, moves its synced copies when asked to, and expires once its 30 days
// have passed. A failure is stored in the entry's `error` and saved before it is thrown again
// (LumbexError); success clears an earlier error. Returns where a restored package now is.
// Blocks on the disk: never on the GUI thread.
std::optional<QString> runDeletedNoteJob(const DeletedNotesStore& store, DeletedNote& entry,
                                         DeletedCloudSide* cloud, Trash& trash, Date now);

} // namespace lumbex
