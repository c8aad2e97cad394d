#pragma once

#include "core/dates.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

class QSettings;

namespace lumbex {

// Where recordings in progress and not yet saved into a note live: "<library>/Pending Recordings".
QString pendingRecordingsFolder(const QString& libraryFolder);

// One recording folder found at launch, to be offered to the user.
struct PendingRecording {
    QString directory;
    QString title;
    Date createdAt = 0;
    QString detail;
    std::optional<QString> signature; // SHA-256 of the journal file's bytes

    friend bool operator==(const PendingRecording&, const PendingRecording&) = default;

    // The folder's absolute path with symbolic links resolved.
    QString key() const;

    // Nothing for an entry that is no recording folder (not a folder, a link, no journal file).
    // A journal that cannot be read or decoded gives an "Unrecognized Recording": never throws.
    static std::optional<PendingRecording> read(const QString& folder);
    // The pending recordings under `root`, newest first, without the one being recorded
    // (`excluding`) and without those whose journal is unchanged since they were reviewed.
    // Nothing when `root` does not exist; throws LumbexError when it cannot be opened.
    static std::vector<PendingRecording> discover(const QString& root,
                                                  const std::map<QString, QString>& reviewed,
                                                  const QString& excluding = {});
    // The "reviewedScreenRecordingJournals" setting: folder key → journal signature.
    static std::map<QString, QString> reviewed(QSettings& settings);
    // Remembers this folder as reviewed, only while its journal still has this signature.
    void rememberSavedCopy(QSettings& settings) const;
};

} // namespace lumbex
