#pragma once

#include "core/error.h"
#include "model/note_coding.h"
#include "model/recording_keys.h"
#include "records/capture_note.h"

#include <QString>
#include <algorithm>
#include <functional>
#include <limits>
#include <ostream>
#include <string>

// Builders of valid notes and recordings for the model tests. Every builder returns a value that
// passes validation as it is; a test changes one thing and looks at the effect.
namespace lumbex {

// gtest prints a failed note comparison as its stored JSON.
inline void PrintTo(const CaptureNote& note, std::ostream* out) {
    *out << encodeNoteJson(note).toStdString();
}

namespace test {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Two seconds per recording segment, so a two-segment recording lasts 4,000,000 µs.
constexpr qint64 kSegmentDuration = 2'000'000;

// A 64-character lower-case hexadecimal text standing in for a SHA-256 digest.
inline QString digest(char digit = 'a') {
    return QString(64, QLatin1Char(digit));
}

// The message of the LumbexError that `action` throws, or an empty string when it succeeds.
inline std::string thrownMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const LumbexError& error) {
        return error.message().toStdString();
    }
    return {};
}

inline Media makeImage(qint64 width = 800, qint64 height = 600) {
    Media media;
    media.id = newId();
    media.name = QStringLiteral("Screenshot");
    media.width = width;
    media.height = height;
    media.sha256 = digest('b');
    media.includeInRequest = true;
    return media;
}

inline Mark makeMark(const Media& image, MarkKind kind = MarkKind::Rectangle,
                     Point start = {100, 100}, Point end = {200, 160}) {
    Mark mark;
    mark.id = newId();
    mark.mediaID = image.id;
    mark.kind = kind;
    mark.start = start;
    mark.end = end;
    if (kind == MarkKind::Magnify)
        mark.magnificationCenter = Rect::spanning(start, end).center();
    return mark;
}

inline LinkedNote makeLinkedNote(std::optional<Id> markID = std::nullopt,
                                 const QString& body = {}) {
    LinkedNote note = LinkedNote::make();
    note.markID = markID;
    note.body = body;
    return note;
}

// A level-1 note: `images` 800 × 600 images, `marks` rectangles on the first image, the first
// `linked` of them with a location note each.
inline CaptureNote makeNote(int images = 1, int marks = 0, int linked = 0) {
    CaptureNote note = CaptureNote::make();
    for (int i = 0; i < images; ++i)
        note.media.push_back(makeImage());
    for (int i = 0; i < marks; ++i) {
        const double offset = 10.0 * i;
        note.marks.push_back(makeMark(note.media.front(), MarkKind::Rectangle,
                                      {100 + offset, 100 + offset}, {200 + offset, 160 + offset}));
    }
    for (int i = 0; i < std::min(linked, marks); ++i)
        note.notes.push_back(makeLinkedNote(note.marks[size_t(i)].id, QStringLiteral("Note")));
    return note;
}

inline RecordingSegment makeSegment(qint64 duration = kSegmentDuration) {
    RecordingSegment segment;
    segment.id = newId();
    segment.width = 1280;
    segment.height = 720;
    segment.duration = duration;
    segment.sha256 = digest('c');
    segment.byteCount = 4096;
    return segment;
}

inline ScreenRecording makeRecording(int segments = 2) {
    ScreenRecording recording = ScreenRecording::make();
    for (int i = 0; i < segments; ++i)
        recording.segments.push_back(makeSegment());
    return recording;
}

// Gives the note a screen recording and the format level that holds it.
inline void attachRecording(CaptureNote& note, ScreenRecording recording = makeRecording()) {
    note.screenRecording = std::move(recording);
    note.schemaVersion = std::max<qint64>(note.schemaVersion, 4);
}

// An image taken from the recording at `sourceTime`, current for the recording as it is now.
inline Media makeFrame(const ScreenRecording& recording, qint64 sourceTime) {
    Media frame = makeImage(recording.segments.front().width, recording.segments.front().height);
    frame.name = QStringLiteral("Frame");
    frame.recordingFrame = RecordingFrame{sourceTime, visualKey(recording)};
    return frame;
}

// A note at level 4 whose screen recording has two segments and whose only image is a frame
// taken one second in.
inline CaptureNote makeNoteWithFrame() {
    CaptureNote note = CaptureNote::make();
    attachRecording(note);
    note.media.push_back(makeFrame(*note.screenRecording, 1'000'000));
    return note;
}

// Adds a stitched 800 × 1000 image made of two 800 × 600 frames that overlap by 200 rows.
inline void addScrollCapture(CaptureNote& note) {
    const Media top = makeImage(800, 600);
    const Media bottom = makeImage(800, 600);
    Media stitched = makeImage(800, 1000);
    stitched.scrollCapture =
        ScrollCaptureInfo{false, std::nullopt, {{top.id, 0, 0}, {bottom.id, 400, 0}}, {}};
    note.media.insert(note.media.end(), {stitched, top, bottom});
}

} // namespace test
} // namespace lumbex
