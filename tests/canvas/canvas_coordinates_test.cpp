#include "canvas/canvas_coordinates.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct PlacementRow {
    const char* name;
    Rect output;
    double zoom;
    QSizeF viewport;
    QRectF imageRect;
};

void PrintTo(const PlacementRow& row, std::ostream* out) {
    *out << row.name;
}

class ImageRectTest : public ::testing::TestWithParam<PlacementRow> {};

TEST_P(ImageRectTest, CentresTheOutputWithAtLeastTheMargin) {
    const PlacementRow& row = GetParam();
    const auto coordinates = CanvasCoordinates::make(row.output, row.zoom, row.viewport);
    EXPECT_EQ(coordinates.imageRect(), row.imageRect);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ImageRectTest,
    ::testing::Values(
        PlacementRow{"SmallImageIsCentred", {0, 0, 100, 50}, 1, {800, 600}, {350, 275, 100, 50}},
        PlacementRow{
            "LargeImageKeepsTheMargin", {0, 0, 1000, 500}, 1, {800, 600}, {80, 80, 1000, 500}},
        PlacementRow{"ZoomScalesTheSize", {-20, -10, 100, 50}, 2, {800, 600}, {300, 250, 200, 100}},
        PlacementRow{"OneAxisOverflows", {0, 0, 100, 1000}, 1, {800, 600}, {350, 80, 100, 1000}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CanvasCoordinatesTest, PixelAndScreenAreInverseAndHonourTheOutputOrigin) {
    const auto coordinates = CanvasCoordinates::make({-64, -64, 328, 248}, 0.5, {400, 300});
    const QRectF image = coordinates.imageRect();
    EXPECT_EQ(coordinates.pixel(image.topLeft()), (Point{-64, -64}));
    EXPECT_EQ(coordinates.pixel(image.topLeft() + QPointF(32, 32)), (Point{0, 0}));
    for (const Point p : {Point{0, 0}, Point{12.5, -3}, Point{200, 120}})
        EXPECT_EQ(coordinates.pixel(coordinates.screen(p)), p);
}

TEST(CanvasCoordinatesTest, ContentGrowsToHoldTheZoomedOutputAndItsMargins) {
    const auto coordinates = CanvasCoordinates::make({0, 0, 2880, 1800}, 1, {1000, 700});
    EXPECT_EQ(coordinates.content, QSizeF(3040, 1960));
}

struct FitRow {
    const char* name;
    Rect output;
    QSizeF viewport;
    double scale;
    double zoom;
};

void PrintTo(const FitRow& row, std::ostream* out) {
    *out << row.name;
}

class FitZoomTest : public ::testing::TestWithParam<FitRow> {};

TEST_P(FitZoomTest, FitsWithinMarginsAndTheDisplayRange) {
    const FitRow& row = GetParam();
    EXPECT_DOUBLE_EQ(fitZoom(row.output, row.viewport, row.scale), row.zoom);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FitZoomTest,
    ::testing::Values(
        FitRow{"WidthLimits", {0, 0, 2880, 1800}, {1600, 1100}, 1, 1440.0 / 2880},
        FitRow{"HeightLimits", {0, 0, 1000, 2000}, {1600, 1160}, 1, 0.5},
        FitRow{"SmallImageStaysAtActualSize", {0, 0, 100, 100}, {1600, 1000}, 1, 1},
        FitRow{"HighDensityScreenHalvesViewZoom", {0, 0, 100, 100}, {1600, 1000}, 2, 0.5},
        FitRow{"NeverBelowTheMinimum", {0, 0, 32768, 32768}, {400, 300}, 1, 0.03}),
    [](const auto& info) { return std::string(info.param.name); });

struct OverlayRow {
    const char* name;
    QPointF point;
    QRectF expected;
};

void PrintTo(const OverlayRow& row, std::ostream* out) {
    *out << row.name;
}

class OverlayRectTest : public ::testing::TestWithParam<OverlayRow> {};

TEST_P(OverlayRectTest, StaysInsideTheVisibleArea) {
    const OverlayRow& row = GetParam();
    EXPECT_EQ(overlayRect(row.point, {139, 160}, {0, 0, 500, 400}), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OverlayRectTest,
    ::testing::Values(OverlayRow{"BelowRight", {100, 100}, {118, 118, 139, 160}},
                      OverlayRow{"FlipsLeftAtTheRightEdge", {400, 100}, {243, 118, 139, 160}},
                      OverlayRow{"FlipsUpAtTheBottomEdge", {100, 300}, {118, 122, 139, 160}},
                      OverlayRow{"ClampedIntoTheAreaNearTheCorner", {10, 390}, {28, 212, 139, 160}},
                      OverlayRow{"ClampedAtTheTopLeft", {60, 60}, {78, 78, 139, 160}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace lumbex
