#pragma once

#include "core/ids.h"
#include "request/handoff.h"

#include <QString>
#include <optional>

class QSettings;

namespace lumbex {

// The per-note request settings, all in the application's settings file: the project folder of
// each note ("destination.<note id>"), the folder for new notes ("defaultDestination"), and the
// last successful request ("lastHandoff.<note id>"). Folders are stored as absolute paths; a stored
// folder that no longer exists is "broken" (the user must reconnect it).
class HandoffSettings {
public:
    explicit HandoffSettings(QSettings& settings);

    // The note's project folder, when one is stored and still is a folder.
    std::optional<QString> destination(const Id& noteID) const;
    // A folder is stored for the note but is gone or no longer a folder.
    bool destinationIsBroken(const Id& noteID) const;
    void setDestination(const Id& noteID, const std::optional<QString>& folder);

    // The folder new notes start with (NoteLibrary gives it to them).
    void setDefaultDestination(const QString& folder);

    void setLastHandoff(const Id& noteID, const HandoffResult& result);
    // The last request as stored: its images are the stored PNG names, sorted.
    std::optional<HandoffResult> lastHandoff(const Id& noteID) const;

private:
    QSettings& settings_;
};

} // namespace lumbex
