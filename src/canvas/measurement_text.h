#pragma once

#include "canvas/pixel_measurement.h"

#include <QString>

namespace lumbex {

// Texts of the measure tool. Numbers never follow the C locale, so a decimal comma cannot slip in.

// The Euclidean distance, "12.3 px".
QString distanceText(const PixelMeasurement& m);
// What "Copy Measurement" puts on the clipboard; all six numbers truncated towards zero.
QString clipboardText(const PixelMeasurement& m);
// The measured span, "120 × 45 px" (rounded).
QString spanText(const PixelMeasurement& m);
// "ΔX 120 px    ΔY -45 px" (truncated).
QString deltaText(const PixelMeasurement& m);
QString originalImageText(qint64 width, qint64 height);

// "%.Nf" without the locale.
QString fixedNumber(double value, int decimals);

} // namespace lumbex
