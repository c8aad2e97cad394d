#include "recording/recording_note.h"

#include "model/fast_png.h"
#include "model/image_import.h"
#include "model/recording_keys.h"
#include "model/schema_level.h"
#include "records/recording_time.h"

namespace lumbex {
namespace {

// The segment file showing source time `t` and the time in that file's own timeline.
std::pair<const RecordingSegment*, qint64> segmentAt(const ScreenRecording& recording, qint64 t) {
    qint64 start = 0;
    for (const RecordingSegment& segment : recording.segments) {
        if (t < start + segment.duration)
            return {&segment, segment.sourceStart + (t - start)};
        start += segment.duration;
    }
    const RecordingSegment& last = recording.segments.back();
    return {&last, last.sourceStart + last.duration - 1};
}

} // namespace

NotePackageContents noteFromRecording(const ScreenRecording& recording, const QString& directory,
                                      const RecordingFrameReader& readFrame) {
    recording.validate();
    NotePackageContents contents;
    contents.note = CaptureNote::make();
    contents.note.screenRecording = recording;
    for (const RecordingSegment& segment : recording.segments)
        contents.videoFiles.emplace(segment.id, directory + u'/' + segment.filename());
    const QString key = visualKey(recording);
    for (const qint64 time : recording.suggestedFrameTimes()) {
        const auto [segment, fileTime] = segmentAt(recording, time);
        const QImage frame = readFrame(directory + u'/' + segment->filename(), fileTime);
        appendStoredPng(contents, FastPng::encode(frame), frame.size(), recordingFrameName(time));
        contents.note.media.back().recordingFrame = RecordingFrame{time, key};
    }
    contents.note.schemaVersion = minimumSchemaVersion(contents.note);
    return contents;
}

} // namespace lumbex
