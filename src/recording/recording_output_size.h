#pragma once

#include <optional>

namespace lumbex {

// The pixel size of a recording's picture for a source size and an optional limit on its longer
// side: never larger than the source, optionally even (H.264 needs even sizes).
struct RecordingOutputSize {
    int width = 0;
    int height = 0;
    double scale = 1; // source pixels to output pixels

    // Throws "Choose a valid video output size." for a source smaller than 2 × 2 (or not finite)
    // or a limit below 2.
    static RecordingOutputSize make(double sourceWidth, double sourceHeight,
                                    std::optional<int> longestSide, bool even);
};

} // namespace lumbex
