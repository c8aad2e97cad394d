#pragma once

#include "library/library_entry.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace lumbex {

// Every saved note the library lists.
struct LibraryContents {
    // Newest first; equal dates in ascending path order.
    std::vector<LibraryEntry> entries;
    // Packages that could not be read (too large, not a note, a newer format, a symbolic link).
    int unreadable = 0;
};

namespace NotesLibrary {

// As for opening a package: a larger note.json is not a note Lumbex reads.
constexpr qint64 kMaxNoteJsonBytes = qint64(8) << 20;

// The entries of the ".capturenote" packages in the folder `root` and of the packages in
// `additional` (the recently opened notes), without those inside Recently Deleted, missing ones
// and duplicates. Only each package's note.json is read, on several threads; no image is. A
// missing `root` lists nothing from it; throws LumbexError when `root` is there but cannot be
// listed.
LibraryContents load(const QString& root, const QStringList& additional,
                     LibraryEntry::Preview preview = LibraryEntry::Preview::Made);

// A package's note as the library reads it: only note.json, at most 8 MiB, decoded, at a format
// level this build reads. Throws LumbexError: a symbolic link, no note.json, too large, not a
// note, or a newer format.
CaptureNote readNote(const QString& package);

// Orders entries newest first, equal dates by path.
void sortEntries(std::vector<LibraryEntry>& entries);

} // namespace NotesLibrary
} // namespace lumbex
