#pragma once

#include "records/capture_note.h"

#include <QString>
#include <optional>

namespace lumbex {

// How the note's project folder stands, as the request summary reports it.
struct ProjectFolderState {
    std::optional<QString> folder;
    bool broken = false;
};

// The request summary control beside "Copy for Agent": its title and tool tip, from the note, its
// folder and a fresh request plan.
struct RequestSummary {
    QString title;
    QString toolTip;
    bool canCopy = false;

    static RequestSummary make(const CaptureNote& note, const Id& activeImage,
                               const ProjectFolderState& folder, bool preparing);
};

// "2 notes · 1 image", singular exactly at one.
QString requestCounts(int noteCount, int imageCount);
// The preview's informative text: the counts and the request mode.
QString previewSummary(int noteCount, int imageCount, bool reviewOnly);

} // namespace lumbex
