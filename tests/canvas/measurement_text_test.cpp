#include "canvas/measurement_text.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct MeasurementRow {
    const char* name;
    PixelMeasurement measurement;
    const char* distance;
    const char* clipboard;
    const char* span;
    const char* delta;
};

void PrintTo(const MeasurementRow& row, std::ostream* out) {
    *out << row.name;
}

class MeasurementTextTest : public ::testing::TestWithParam<MeasurementRow> {};

TEST_P(MeasurementTextTest, FormatsEveryText) {
    const MeasurementRow& row = GetParam();
    EXPECT_EQ(distanceText(row.measurement), QString::fromUtf8(row.distance));
    EXPECT_EQ(clipboardText(row.measurement), QString::fromUtf8(row.clipboard));
    EXPECT_EQ(spanText(row.measurement), QString::fromUtf8(row.span));
    EXPECT_EQ(deltaText(row.measurement), QString::fromUtf8(row.delta));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MeasurementTextTest,
    ::testing::Values(
        MeasurementRow{
            "ThreeFourFive",
            {{10, 20}, {13, 24}},
            "5.0 px",
            "Distance: 5.0 px · ΔX: 3 px · ΔY: 4 px\nFrom (10, 20) to (13, 24) in source "
            "image pixels.",
            "3 × 4 px",
            "ΔX 3 px    ΔY 4 px"},
        MeasurementRow{"NegativeFractionsTruncateTowardsZero",
                       {{10.9, 20.5}, {-0.7, 5.4}},
                       "19.0 px",
                       "Distance: 19.0 px · ΔX: -11 px · ΔY: -15 px\nFrom (10, 20) to (0, 5) in "
                       "source image pixels.",
                       "12 × 15 px",
                       "ΔX -11 px    ΔY -15 px"},
        MeasurementRow{"Level",
                       {{0, 0}, {100.04, 0}},
                       "100.0 px",
                       "Distance: 100.0 px · ΔX: 100 px · ΔY: 0 px\nFrom (0, 0) to (100, 0) in "
                       "source image pixels.",
                       "100 × 0 px",
                       "ΔX 100 px    ΔY 0 px"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeasurementTextTest, NamesTheOriginalImageSize) {
    EXPECT_EQ(originalImageText(2880, 1800),
              QStringLiteral("Original image: 2880 × 1800 px. Measurements use source pixels, "
                             "independent of zoom."));
}

} // namespace
} // namespace lumbex
