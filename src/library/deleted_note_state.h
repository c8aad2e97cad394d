#pragma once

#include "core/dates.h"
#include "library/deleted_note.h"

#include <QString>

namespace lumbex {

// What the Recently Deleted list and the command line say about an entry, and which actions
// apply to it; the window and `lumbex deleted` share these so that they never disagree.

// The one state line of an entry's row. `jobRunning`: a background job of the entry runs now.
QString deletedNoteStateLine(const DeletedNote& entry, bool jobRunning, Date now);
// Whether Retry applies (an entry with no running job).
bool deletedNoteRetryable(const DeletedNote& entry, Date now);
// Whether the periodic pass should run the entry's remaining steps.
bool deletedNoteNeedsWork(const DeletedNote& entry, Date now);
// "3 notes", "1 note", "3 notes · 2 unavailable".
QString deletedNotesStatus(int count, int unreadable);
// The status line's tool tip when some records could not be read.
QString deletedNotesUnreadableTip(const QString& root);

} // namespace lumbex
