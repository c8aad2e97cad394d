#pragma once

#include <QString>

namespace lumbex {
struct NotePackageContents;
}

namespace lumbex::cli {

// Writes a new note's package at `packagePath` (never over an existing one) through the user's
// notes library, so that the note starts with the project folder chosen for new notes, as in
// the app. Returns the package's absolute path; throws LumbexError.
QString createUserNote(const NotePackageContents& contents, const QString& packagePath);

} // namespace lumbex::cli
