#pragma once

#include "core/rect.h"
#include "model/note_document.h"
#include "recording/recording_composition.h"
#include "records/screen_recording.h"

#include <QRectF>
#include <QStringView>
#include <optional>

namespace lumbex {

// Microseconds of a source time typed as seconds: a finite number from 0 to 86,400. Throws "Enter
// a valid source time in seconds." for anything else.
qint64 recordingFieldTime(QStringView text);
// The source range typed into the start and end fields: each field as above, then
// 0 ≤ start < end ≤ `duration`, else "Choose a range inside the recording."; an end that a field
// shows as `duration` is `duration`.
RecordingRange recordingFieldRange(QStringView start, QStringView end, qint64 duration);
// A source time as a field shows it: seconds with three decimals.
QString recordingFieldText(qint64 sourceTime);

// The rectangle of source pixels under a drag from `from` to `to` over a picture of the output
// drawn in `picture` (widget pixels), the output showing `visible` of the source. The drag is
// clamped to the picture; nothing when the picture is empty or the drag covers no area.
std::optional<Rect> recordingDragRect(const QRectF& picture, QPointF from, QPointF to,
                                      const Rect& visible);

// The window's edits of the note's recording, each one undo step named as the window shows it.
// Each throws LumbexError with the document unchanged: "This note has no screen recording." or
// the recording's check.
void trimRecording(NoteDocument& document, const RecordingRange& range);
void resetRecordingTrim(NoteDocument& document);
void cropRecording(NoteDocument& document, const Rect& crop);
void restoreRecordingCrop(NoteDocument& document);
void redactRecording(NoteDocument& document, const RecordingRange& range, const Rect& rect);
// Removes the newest redaction; nothing happens when there is none.
void removeLastRecordingRedaction(NoteDocument& document);
void setRecordingSound(NoteDocument& document, bool muteSystem, bool muteMicrophone);

// Stills of the composition at source times, at its output size and encoded as the note keeps
// them. Throws the composition's LumbexError (a time outside the selected range, say).
std::vector<RecordingStill> prepareRecordingStills(const RecordingComposition& composition,
                                                   const std::vector<qint64>& times);

// A time note's range must lie inside the selected range: "Choose a note range inside the
// current trim." otherwise.
void requireTimeNoteRange(const ScreenRecording& recording, const RecordingRange& range);

// The first image that is a recording frame no longer showing the recording as edited.
std::optional<Id> firstStaleFrame(const CaptureNote& note);

} // namespace lumbex
