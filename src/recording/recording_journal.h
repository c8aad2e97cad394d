#pragma once

#include "records/screen_recording.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace lumbex {

inline const QString kRecordingJournalFile = QStringLiteral("recording.json");

// The file "recording.json" beside a recording's segment files, rewritten at every step of the
// recorder so that a crash at any moment leaves a folder that can be recovered.
struct RecordingJournal {
    int version = 1;
    ScreenRecording recording;
    std::optional<Id> activeSegment; // the segment file being written now
    bool completed = false;          // the recorder stopped normally
    std::optional<QString> issue;    // the first failure's message, or the recovery summary

    friend bool operator==(const RecordingJournal&, const RecordingJournal&) = default;

    // A journal for a new, empty recording.
    static RecordingJournal make();

    // Pretty-printed JSON with sorted keys; `pretty` false gives one line.
    QByteArray encode(bool pretty = true) const;
    // Throws LumbexError for bytes that are no journal; a `version` other than 1 throws "This
    // recording needs a newer version of Lumbex.".
    static RecordingJournal decode(const QByteArray& bytes);
    // The same without the version check, for describing a journal a newer version wrote in the
    // same shape. Throws LumbexError for bytes that are no journal.
    static RecordingJournal decodeAnyVersion(const QByteArray& bytes);

    // Replaces "<folder>/recording.json" atomically. Throws LumbexError.
    void save(const QString& folder) const;
};

// Describes the segment file at `file`, which may have been cut short (the platform's movie
// inspector in the application; a fake in tests). Throws LumbexError.
using SegmentInspector = std::function<RecordingSegment(const QString& file, const Id& id)>;

// What a recording folder holds after a crash, checked against its files: the intact completed
// segments, plus the unfinished one where it can be read, with an issue that says what was lost.
// Never writes, moves or deletes a file in `folder`. Throws LumbexError with the message of the
// step that failed.
RecordingJournal recoverRecording(const QString& folder, const SegmentInspector& inspect);

} // namespace lumbex
