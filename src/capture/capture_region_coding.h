#pragma once

#include "capture/capture_selection.h"

#include <QByteArray>

namespace lumbex {

// The stored form of a region ("lastCaptureRegion"): compact JSON with sorted keys, rectangles as
// [[x, y], [width, height]].
QByteArray encodeCaptureRegion(const CaptureRegion& region);
// Throws LumbexError naming the offending value.
CaptureRegion decodeCaptureRegion(const QByteArray& json);

} // namespace lumbex
