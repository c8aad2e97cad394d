#include "canvas/canvas_coordinates.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(CanvasCoordinatesTest, ImageRectCentresTheOutputWithAtLeastTheMargin) {
    const struct {
        const char* name;
        Rect output;
        double zoom;
        QRectF imageRect;
    } rows[] = {
        {"zoom scales the size and centres it", {-20, -10, 100, 50}, 2, {300, 250, 200, 100}},
        {"an overflowing axis keeps the margin", {0, 0, 100, 1000}, 1, {350, 80, 100, 1000}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CanvasCoordinates::make(row.output, row.zoom, {800, 600}).imageRect(),
                  row.imageRect)
            << row.name;
}

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

TEST(FitZoomTest, FitsWithinMarginsAndTheDisplayRange) {
    const struct {
        const char* name;
        Rect output;
        QSizeF viewport;
        double scale;
        double zoom;
    } rows[] = {
        {"width limits", {0, 0, 2880, 1800}, {1600, 1100}, 1, 1440.0 / 2880},
        {"height limits", {0, 0, 1000, 2000}, {1600, 1160}, 1, 0.5},
        {"small image stays at actual size", {0, 0, 100, 100}, {1600, 1000}, 1, 1},
        {"high-density screen halves the view zoom", {0, 0, 100, 100}, {1600, 1000}, 2, 0.5},
        {"never below the minimum", {0, 0, 32768, 32768}, {400, 300}, 1, 0.03},
    };
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(fitZoom(row.output, row.viewport, row.scale), row.zoom) << row.name;
}

TEST(OverlayRectTest, SitsBelowRightAndFlipsToStayInsideTheVisibleArea) {
    const struct {
        const char* name;
        QPointF point;
        QRectF expected;
    } rows[] = {
        {"below right", {100, 100}, {118, 118, 139, 160}},
        {"flips left at the right edge", {400, 100}, {243, 118, 139, 160}},
        {"flips up at the bottom edge", {100, 300}, {118, 122, 139, 160}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(overlayRect(row.point, {139, 160}, {0, 0, 500, 400}), row.expected) << row.name;
}

} // namespace
} // namespace lumbex
