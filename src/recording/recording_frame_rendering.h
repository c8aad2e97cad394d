#pragma once

#include "recording/recording_output_size.h"
#include "records/screen_recording.h"

#include <QImage>

namespace lumbex {

// The picture an output frame shows for a source picture at source time `sourceTime`: every
// redaction active then (start ≤ t < end) filled black over the source pixels it touches, then
// the visible rectangle scaled by `size.scale` and centred over black at exactly the output size.
// The result is Format_RGB32.
QImage renderRecordingFrame(const QImage& source, const ScreenRecording& recording,
                            qint64 sourceTime, const RecordingOutputSize& size);

} // namespace lumbex
