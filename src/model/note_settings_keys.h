#pragma once

#include "core/ids.h"

#include <QString>
#include <array>

namespace lumbex {

// The names under which the application's settings keep what this computer remembers about
// notes. The per-note keys end in the note's id and go when the note is deleted.
namespace NoteSettingsKeys {

// The project folder chosen for the requests of new notes.
inline const QString defaultDestination = QStringLiteral("defaultDestination");

// The project folder of the note's requests.
inline QString destination(const Id& noteID) {
    return QStringLiteral("destination.") + idString(noteID);
}
// The note's last successful request.
inline QString lastHandoff(const Id& noteID) {
    return QStringLiteral("lastHandoff.") + idString(noteID);
}
// Where a person left the note's editor window.
inline QString editorView(const Id& noteID) {
    return QStringLiteral("editorView.") + idString(noteID);
}

inline std::array<QString, 3> perNote(const Id& noteID) {
    return {destination(noteID), lastHandoff(noteID), editorView(noteID)};
}

} // namespace NoteSettingsKeys
} // namespace lumbex
