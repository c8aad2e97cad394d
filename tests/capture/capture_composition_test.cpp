#include "capture/capture_composition.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

// A 5 × 7 pointer: opaque white with a half-transparent black bottom row, hot spot at (2, 3).
CursorImage pointerAt(QPoint position) {
    QImage image(5, 7, QImage::Format_ARGB32_Premultiplied);
    image.fill(qRgba(255, 255, 255, 255));
    for (int x = 0; x < 5; ++x)
        image.setPixel(x, 6, qRgba(0, 0, 0, 128));
    return {image, QPoint(2, 3), position};
}

ScreenGrab grayGrab(QPoint origin) {
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(qRgb(100, 100, 100));
    return {image, origin};
}

TEST(CaptureComposition, ThePointersHotSpotLandsWhereThePointerWas) {
    struct Row {
        const char* name;
        QPoint position;
        QPoint topLeftInGrab;
    } rows[] = {
        {"inside", QPoint(520, 315), QPoint(18, 12)},
        {"over the left edge", QPoint(501, 310), QPoint(-1, 7)},
    };
    for (const Row& row : rows) {
        const ScreenGrab grab = grayGrab(QPoint(500, 300));
        const QImage out = withCursor(grab, pointerAt(row.position));
        ASSERT_EQ(out.size(), grab.image.size()) << row.name;
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const QPoint inPointer = QPoint(x, y) - row.topLeftInGrab;
                QRgb expected = qRgb(100, 100, 100);
                if (QRect(0, 0, 5, 6).contains(inPointer))
                    expected = qRgb(255, 255, 255);
                else if (QRect(0, 6, 5, 1).contains(inPointer))
                    expected = qRgb(50, 50, 50); // half black over gray
                ASSERT_NEAR(qRed(out.pixel(x, y)), qRed(expected), 1)
                    << row.name << " at " << x << "," << y;
            }
    }
}

TEST(CaptureComposition, APointerOutsideTheGrabChangesNothing) {
    const ScreenGrab grab = grayGrab(QPoint(500, 300));
    EXPECT_EQ(withCursor(grab, pointerAt(QPoint(400, 200))), grab.image);
    EXPECT_EQ(withCursor(grab, pointerAt(QPoint(543, 304))), grab.image) << "just right of it";
}

TEST(CaptureComposition, TheWindowShadowSurroundsAnUntouchedWindowAndFallsDownward) {
    using namespace WindowShadow;
    QImage window(120, 80, QImage::Format_RGB32);
    window.fill(qRgb(10, 200, 30));
    const QImage out = withWindowShadow(window);

    ASSERT_EQ(out.size(), QSize(120 + 2 * kMarginSide, 80 + kMarginTop + kMarginBottom));
    EXPECT_EQ(out.copy(kMarginSide, kMarginTop, 120, 80).convertToFormat(QImage::Format_RGB32),
              window);
    const auto alpha = [&](int x, int y) { return qAlpha(out.pixel(x, y)); };
    EXPECT_EQ(alpha(0, 0), 0) << "corners fade out";
    // Darker below than above, the same left and right.
    const int above = alpha(out.width() / 2, kMarginTop - 6);
    const int below = alpha(out.width() / 2, kMarginTop + 80 + 6);
    EXPECT_GT(below, above + 20);
    EXPECT_LE(below, int(255 * kOpacity) + 1);
    EXPECT_EQ(alpha(kMarginSide - 8, out.height() / 2),
              alpha(kMarginSide + 120 + 7, out.height() / 2));
    EXPECT_EQ(qRed(out.pixel(kMarginSide - 8, out.height() / 2)), 0) << "the shadow is black";
}

} // namespace
} // namespace lumbex
