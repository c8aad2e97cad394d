#include "canvas/mark_painter.h"
#include "geometry/mark_geometry.h"
#include "geometry/text_metrics.h"
#include "support/test_marks.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace lumbex {
namespace {

using enum MarkKind;

const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
const QColor kInk(0x10, 0x10, 0xD0);
// The colour of "blue" and of every unrecognised colour string, hence of every non-pointer badge.
const QColor kDefaultBlue = QColor::fromRgbF(0.02f, 0.38f, 0.98f);
const QColor kRed = QColor::fromRgbF(0.91f, 0.18f, 0.22f);

// A 200 × 200 white target at the renderer's 72-dpi resolution, so that text points are pixels.
QImage whiteCanvas() {
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(annotationDotsPerMeter());
    image.setDotsPerMeterY(annotationDotsPerMeter());
    image.fill(kWhite);
    return image;
}

QImage paint(const Mark& mark, std::optional<int> number = std::nullopt,
             const std::optional<Rect>& crop = std::nullopt, QImage image = whiteCanvas()) {
    QPainter painter(&image);
    drawMark(painter, mark, number, crop);
    painter.end();
    return image;
}

Mark mark(MarkKind kind, Point start, Point end, double lineWidth = 3,
          const char* color = "#1010D0") {
    Mark m = makeMark(kind, start, end, lineWidth);
    m.color = QString::fromUtf8(color);
    return m;
}

Mark freehand(std::vector<Point> points, double lineWidth) {
    Mark m = mark(Freehand, points.front(), points.back(), lineWidth);
    m.points = std::move(points);
    return m;
}

int difference(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue()), std::abs(a.alpha() - b.alpha())});
}

::testing::AssertionResult pixelIs(const QImage& image, QPoint p, const QColor& expected,
                                   int tolerance = 3) {
    const QColor actual = image.pixelColor(p);
    return (difference(actual, expected) <= tolerance ? ::testing::AssertionSuccess()
                                                      : ::testing::AssertionFailure())
           << "pixel (" << p.x() << ", " << p.y() << ") is "
           << actual.name(QColor::HexArgb).toStdString();
}

// The bounding box of the pixels in `area` that are nearer to `ink` than to `paper`.
QRect inkBounds(const QImage& image, const QRect& area, const QColor& ink, const QColor& paper) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (difference(image.pixelColor(x, y), ink) < difference(image.pixelColor(x, y), paper))
                bounds = bounds.united(QRect(x, y, 1, 1));
    return bounds;
}

// Every pixel outside `area` is still white.
::testing::AssertionResult untouchedOutside(const QImage& image, const QRect& area) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!area.contains(x, y) && image.pixelColor(x, y) != kWhite)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is set";
    return ::testing::AssertionSuccess();
}

// `painted` pixels lie wholly under the stroke; the shape leaves `untouched` ones white.
void expectStroke(const char* name, const Mark& m, std::initializer_list<QPoint> painted,
                  std::initializer_list<QPoint> untouched) {
    SCOPED_TRACE(name);
    const QImage image = paint(m);
    for (const QPoint& p : painted)
        EXPECT_TRUE(pixelIs(image, p, kInk));
    for (const QPoint& p : untouched)
        EXPECT_TRUE(pixelIs(image, p, kWhite, 0));
}

TEST(DrawMark, StrokesEachShapeOnlyWhereItRunsInTheMarksColour) {
    expectStroke("rectangle", mark(Rectangle, {40, 40}, {160, 120}, 4), {{40, 80}, {100, 120}},
                 {{100, 80}, {44, 80}, {10, 10}, {190, 190}});
    // The ellipse touches the rect only at its edge midpoints.
    expectStroke("ellipse", mark(Ellipse, {40, 40}, {160, 120}, 4), {{40, 80}, {100, 120}},
                 {{100, 80}, {50, 40}, {44, 44}});
    // A round cap reaches half the width past the end, but not into a square cap's corners.
    expectStroke("round caps", mark(Line, {40, 100}, {100, 100}, 10), {{103, 100}, {36, 100}},
                 {{104, 95}, {106, 100}});
    // The head is open: nothing joins the two wing tips.
    expectStroke("arrow", mark(Arrow, {20, 100}, {180, 100}), {{100, 100}, {169, 105}, {169, 93}},
                 {{169, 97}, {169, 102}, {100, 110}, {185, 100}});
    expectStroke("freehand in order, not closed", freehand({{20, 150}, {100, 20}, {180, 150}}, 4),
                 {{60, 85}, {140, 85}, {100, 21}}, {{100, 150}, {100, 80}});
    expectStroke("zero-length line", mark(Line, {100, 100}, {100, 100}, 6), {{99, 99}, {100, 100}},
                 {{104, 100}, {100, 95}});
}

TEST(DrawMark, PointerOutlinesOnlyRectsLargerThanEightPixelsBothWays) {
    const std::tuple<double, double, bool> cases[] = {
        {8, 40, false}, {40, 8, false}, {8.5, 40, true}, {40, 8.5, true}};
    for (const auto& [width, height, paints] : cases)
        EXPECT_EQ(paint(mark(Pointer, {100, 100}, {100 + width, 100 + height})) != whiteCanvas(),
                  paints)
            << width << " × " << height;
}

TEST(DrawMark, HighlightMultipliesWhatIsUnderItAtItsOpacity) {
    for (const auto& [opacity, effective] :
         {std::pair{std::optional<double>(), 0.35}, {0.8, 0.8}}) {
        QImage canvas = whiteCanvas();
        QPainter(&canvas).fillRect(100, 0, 100, 200, kBlack);
        Mark highlight = mark(Highlight, {40, 40}, {160, 120}, 3, "#2080F0");
        highlight.opacity = opacity;
        const QImage image = paint(highlight, std::nullopt, std::nullopt, canvas);
        const auto onWhite = [&](int c) {
            return int(std::lround(255 * (1 - effective) + c * effective));
        };
        EXPECT_TRUE(
            pixelIs(image, {60, 80}, QColor(onWhite(0x20), onWhite(0x80), onWhite(0xF0)), 2))
            << effective;
        EXPECT_TRUE(pixelIs(image, {140, 80}, kBlack, 1));
        EXPECT_TRUE(pixelIs(image, {20, 80}, kWhite, 0));
    }
}

TEST(DrawMark, TextStartsAtTheFrameTopLeftAndWrapsInsideIt) {
    for (const auto& [text, wraps] :
         {std::pair{"Bug here", false}, {"Move the save button next to cancel, please", true}}) {
        SCOPED_TRACE(text);
        Mark note = mark(Text, {20, 20}, {120, 60}, 3, "#C01010");
        note.text = QString::fromUtf8(text);
        const Rect frame = textRect(note);
        const QRect area(int(frame.x), int(frame.y), int(std::ceil(frame.width)),
                         int(std::ceil(frame.height)));
        const QImage image = paint(note);
        const QRect ink = inkBounds(image, area, QColor(0xC0, 0x10, 0x10), kWhite);
        ASSERT_FALSE(ink.isEmpty());
        // Only the first glyph's side bearing and the space above a capital separate the ink from
        // the corner.
        EXPECT_LE(ink.left() - area.left(), textSize(note) / 4);
        EXPECT_LE(ink.top() - area.top(), textSize(note) / 4);
        EXPECT_EQ(ink.bottom() >= 60, wraps) << ink.bottom();
        EXPECT_TRUE(untouchedOutside(image, area));
    }
}

TEST(DrawMark, RedactionIsOpaqueBlackOverWholePixelsWithoutBadge) {
    const std::tuple<Point, Point, QRect> cases[] = {
        {{10.3, 20.7}, {50.2, 60.1}, QRect(10, 20, 41, 41)},
        {{150.5, 150.5}, {120.25, 110.75}, QRect(120, 110, 31, 41)},
    };
    for (const auto& [start, end, covered] : cases) {
        const QImage image = paint(mark(Redact, start, end, 3, "white"), 4, Rect{0, 0, 200, 200});
        for (int y = covered.top(); y <= covered.bottom(); ++y)
            for (int x = covered.left(); x <= covered.right(); ++x)
                ASSERT_EQ(image.pixel(x, y), qRgba(0, 0, 0, 255)) << x << ", " << y;
        EXPECT_TRUE(untouchedOutside(image, covered));
    }
}

// A scaled preview puts the rounded edges between device pixels; they must stay hard there too.
TEST(DrawMark, RedactionEdgesStayHardUnderScaling) {
    QImage image = whiteCanvas();
    QPainter painter(&image);
    painter.scale(1.5, 1.5);
    drawMark(painter, mark(Redact, {10.4, 10.4}, {20.6, 20.6}), std::nullopt, std::nullopt);
    painter.end();
    int black = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            ASSERT_TRUE(pixel == qRgb(0, 0, 0) || pixel == qRgb(255, 255, 255)) << x << ", " << y;
            black += pixel == qRgb(0, 0, 0);
        }
    // Whole pixels 10…21 at 1.5 times: 16 or 17 device pixels a side, depending on rounding.
    EXPECT_GE(black, 16 * 16);
    EXPECT_LE(black, 17 * 17);
}

// Probes the circle away from the digits, then finds the digits by their colour and checks that
// their ink is centred in the circle.
TEST(DrawMark, BadgeShowsTheNumberCentredInACircle) {
    const struct {
        const char* name;
        Mark mark;
        QPoint centre;
        QColor fill, digits;
    } cases[] = {
        {"white pointer, up and left of its point",
         mark(Pointer, {100, 100}, {104, 104}, 3, "white"),
         {76, 76},
         kWhite,
         kBlack},
        {"red rectangle, default blue on its top-left",
         mark(Rectangle, {60, 60}, {160, 140}, 3, "red"),
         {60, 60},
         kDefaultBlue,
         kWhite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = paint(c.mark, 12);
        for (const QPoint offset : {QPoint(-10, 0), QPoint(0, -10), QPoint(-8, -8)})
            EXPECT_TRUE(pixelIs(image, c.centre + offset, c.fill));
        const QRect ink =
            inkBounds(image, QRect(c.centre - QPoint(11, 11), QSize(22, 22)), c.digits, c.fill);
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GE(ink.height(), 8);
        EXPECT_NEAR(QRectF(ink).center().x(), c.centre.x(), 1.5);
        EXPECT_NEAR(QRectF(ink).center().y(), c.centre.y(), 1.5);
    }
}

TEST(DrawMark, PointerBadgeIsJoinedToADotOnItsPoint) {
    const QImage image = paint(mark(Pointer, {100, 100}, {104, 104}, 3, "red"), 3);
    // The leader, between the circle and the point.
    const QColor leader = image.pixelColor(92, 92);
    EXPECT_GT(leader.red() - leader.green(), 80);
    // The dot fills pixels on either side of the leader's diagonal.
    EXPECT_TRUE(pixelIs(image, {100, 99}, kRed));
    EXPECT_TRUE(pixelIs(image, {99, 100}, kRed));
    EXPECT_TRUE(untouchedOutside(image, QRect(62, 62, 41, 41)));
}

TEST(DrawMark, LeavesThePainterAsItFoundIt) {
    for (int kind = int(Pointer); kind <= int(Magnify); ++kind) {
        SCOPED_TRACE(kind);
        Mark m = mark(MarkKind(kind), {40, 40}, {120, 100});
        m.points = std::vector<Point>{{40, 40}, {120, 100}};
        m.text = QStringLiteral("Note");
        QImage image = whiteCanvas();
        QPainter painter(&image);
        const QPen pen(Qt::green, 7);
        const QFont font(QStringLiteral("Monospace"), 9);
        painter.setPen(pen);
        painter.setFont(font);
        drawMark(painter, m, 1, std::nullopt);
        EXPECT_EQ(painter.pen(), pen);
        EXPECT_EQ(painter.font(), font);
        EXPECT_FALSE(painter.testRenderHint(QPainter::Antialiasing));
        EXPECT_FALSE(painter.hasClipping());
        EXPECT_EQ(painter.opacity(), 1.0);
        // Drawing after the mark blends normally, not by the highlight's multiply.
        painter.fillRect(QRect(50, 50, 1, 1), QColor(0, 128, 0));
        painter.end();
        EXPECT_TRUE(pixelIs(image, {50, 50}, QColor(0, 128, 0), 0));
    }
}

} // namespace
} // namespace lumbex
