#pragma once

#include <QString>

namespace lumbex {
class NoteDocument;
}

namespace lumbex::cli {

// Opening a note brings back the audio of its interrupted voice recordings first.
void recoverDraftsOf(NoteDocument& document);
// The same for a package the command only reads: it is opened for the edit only when one of its
// recordings has a draft to recover.
void recoverDraftsOf(const QString& packagePath);

} // namespace lumbex::cli
