#pragma once

#include "core/json_read.h"
#include "core/json_writer.h"
#include "records/screen_recording.h"

namespace lumbex {

// JSON form of a screen recording, shared by note.json and the recording journal.
void writeRecordingRange(JsonWriter& out, const RecordingRange& range);
RecordingRange decodeRecordingRange(const JsonNode& node);
void writeRecordingSegment(JsonWriter& out, const RecordingSegment& segment);
void writeScreenRecording(JsonWriter& out, const ScreenRecording& recording);
ScreenRecording decodeScreenRecording(const JsonNode& node);

} // namespace lumbex
