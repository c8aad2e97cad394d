#pragma once

#include "core/ids.h"
#include "voice/voice_ports.h"

#include <QByteArray>
#include <QString>

namespace lumbex {

// The crash-safe copy of one voice recording's audio, kept outside the note package while it is
// recorded: "<root>/<DOCUMENT>/<RECORDING>/" (0700) with the journal "voice.json" and the audio
// "audio.caf". Every check is strict and no failure removes anything.
class VoiceRecoveryDraft {
public:
    struct Recovered {
        QByteArray data;
        double duration = 0;
    };

    static constexpr qint64 kMaximumJournalBytes = 4096;
    static constexpr qint64 kMaximumAudioBytes = 134'217'728;
    // The 5-minute limit of a voice note plus one second of slack.
    static constexpr double kMaximumSeconds = 301.0;

    VoiceRecoveryDraft(const Id& documentID, const Id& recordingID, QString root);

    // "Voice Drafts" beside the notes library folder ("Voice Preview Drafts" beside a library
    // named "Voice Preview Notes").
    static QString defaultRoot(const QString& libraryFolder);

    const Id& documentID() const { return documentID_; }
    const Id& recordingID() const { return recordingID_; }
    const QString& root() const { return root_; }
    QString directory() const;
    QString audioPath() const;
    QString journalPath() const;
    // Something (even a symbolic link) is at the draft folder's place.
    bool exists() const;

    // Makes the draft folder and writes the journal. Throws LumbexError.
    void create() const;
    // The audio and its duration, after every check; `open` reads the audio file. Throws
    // LumbexError and keeps every file.
    Recovered recover(const AudioFileOpener& open) const;
    // Removes the draft folder, only when its journal matches this recording.
    void remove() const;

private:
    void verifyDirectory() const;
    static void verifyFile(const QString& path, qint64 maximumBytes);
    void readJournal() const;

    Id documentID_;
    Id recordingID_;
    QString root_;
};

} // namespace lumbex
