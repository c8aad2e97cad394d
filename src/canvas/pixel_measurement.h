#pragma once

#include "core/rect.h"

namespace lumbex {

// A measured span in source pixels.
struct PixelMeasurement {
    Point start;
    Point end;

    friend bool operator==(const PixelMeasurement&, const PixelMeasurement&) = default;
};

} // namespace lumbex
