#pragma once

#include "platform/frame_layout.h"
#include "recording/recording_output_size.h"
#include "records/screen_recording.h"

#include <QImage>

namespace lumbex {

// How the source picture at source time `sourceTime` becomes an output frame: every redaction
// active then (start ≤ t < end) blacks out the source pixels it touches; the visible rectangle,
// widened to whole pixels, is scaled by `size.scale` and centred over black at exactly the output
// size (at even places and sizes when the output size is even, as 4:2:0 video needs).
FrameLayout recordingFrameLayout(const ScreenRecording& recording, qint64 sourceTime,
                                 const RecordingOutputSize& size);

// The output frame of `source` by recordingFrameLayout, Format_RGB32.
QImage renderRecordingFrame(const QImage& source, const ScreenRecording& recording,
                            qint64 sourceTime, const RecordingOutputSize& size);

} // namespace lumbex
