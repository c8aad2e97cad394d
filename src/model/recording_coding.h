#pragma once

#include "core/json_read.h"
#include "records/screen_recording.h"

#include <QJsonObject>

namespace lumbex {

// JSON form of a screen recording, shared by note.json and the recording journal.
QJsonObject encodeRecordingRange(const RecordingRange& range);
RecordingRange decodeRecordingRange(const JsonNode& node);
QJsonObject encodeScreenRecording(const ScreenRecording& recording);
ScreenRecording decodeScreenRecording(const JsonNode& node);

} // namespace lumbex
