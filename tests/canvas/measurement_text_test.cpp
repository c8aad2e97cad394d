#include "canvas/measurement_text.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(MeasurementTextTest, FormatsEveryText) {
    const struct {
        PixelMeasurement measurement;
        const char* distance;
        const char* clipboard;
        const char* span;
        const char* delta;
    } rows[] = {
        {{{10.9, 20.5}, {-0.7, 5.4}},
         "19.0 px",
         "Distance: 19.0 px · ΔX: -11 px · ΔY: -15 px\nFrom (10, 20) to (0, 5) in source image "
         "pixels.",
         "12 × 15 px",
         "ΔX -11 px    ΔY -15 px"},
        {{{0, 0}, {100.04, 0}},
         "100.0 px",
         "Distance: 100.0 px · ΔX: 100 px · ΔY: 0 px\nFrom (0, 0) to (100, 0) in source image "
         "pixels.",
         "100 × 0 px",
         "ΔX 100 px    ΔY 0 px"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(distanceText(row.measurement), QString::fromUtf8(row.distance));
        EXPECT_EQ(clipboardText(row.measurement), QString::fromUtf8(row.clipboard));
        EXPECT_EQ(spanText(row.measurement), QString::fromUtf8(row.span));
        EXPECT_EQ(deltaText(row.measurement), QString::fromUtf8(row.delta));
    }
}

TEST(MeasurementTextTest, NamesTheOriginalImageSize) {
    EXPECT_EQ(originalImageText(2880, 1800),
              QStringLiteral("Original image: 2880 × 1800 px. Measurements use source pixels, "
                             "independent of zoom."));
}

} // namespace
} // namespace lumbex
