#pragma once

#include "records/capture_note.h"

#include <QString>

namespace lumbex {

// Raising this invalidates every stored text-recognition cache.
constexpr int kRecognitionVersion = 2;

// A key that changes exactly when what a reader of the image sees changes: pixels, size, crop,
// scroll sources, recording frame, redactions on it, or the edits of the recording a frame comes
// from. Other marks, notes, background, role and inclusion leave it alone.
QString imageKey(const CaptureNote& note, const Media& media);

// Whether a recording frame still shows the recording as edited: same visual key and inside the
// trim. Images that are not frames are always current.
bool isFrameCurrent(const CaptureNote& note, const Media& media);
// Throws the stale-frame message when the image is a frame that is no longer current.
void validateFrame(const CaptureNote& note, const Media& media);

// True when a rendered copy or a recognition result of the image made from `a` is still valid
// for `b`.
bool hasSameImageContent(const CaptureNote& a, const CaptureNote& b, const Id& mediaID);

} // namespace lumbex
