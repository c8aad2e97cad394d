#include "canvas/mark_painter.h"
#include "geometry/mark_geometry.h"
#include "geometry/text_metrics.h"
#include "support/test_marks.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace lumbex {
namespace {

constexpr int kSide = 200;
const QColor kWhite(255, 255, 255);
const QColor kBlack(0, 0, 0);
// The colour of "blue" and of every unrecognised colour string, hence of every non-pointer badge.
const QColor kDefaultBlue = QColor::fromRgbF(0.02f, 0.38f, 0.98f);

// A white target at the renderer's 72-dpi resolution, so that text points are pixels.
QImage whiteCanvas() {
    QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
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

Mark coloured(Mark mark, const char* color) {
    mark.color = QString::fromUtf8(color);
    return mark;
}

Mark freehand(std::vector<Point> points, double lineWidth, const char* color) {
    Mark mark =
        coloured(makeMark(MarkKind::Freehand, points.front(), points.back(), lineWidth), color);
    mark.points = std::move(points);
    return mark;
}

int difference(const QColor& a, const QColor& b) {
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                     std::abs(a.blue() - b.blue()), std::abs(a.alpha() - b.alpha())});
}

std::string describe(const QColor& color) {
    return color.name(QColor::HexArgb).toStdString();
}

::testing::AssertionResult pixelIs(const QImage& image, QPoint p, const QColor& expected,
                                   int tolerance = 3) {
    const QColor actual = image.pixelColor(p);
    if (difference(actual, expected) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << p.x() << ", " << p.y() << ") is "
                                         << describe(actual) << ", expected " << describe(expected);
}

// The bounding box of the pixels in `area` that are nearer to `ink` than to `paper`.
QRect inkBounds(const QImage& image, const QRect& area, const QColor& ink, const QColor& paper) {
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (difference(c, ink) < difference(c, paper))
                bounds = bounds.united(QRect(x, y, 1, 1));
        }
    return bounds;
}

// Every pixel outside `area` is still white.
::testing::AssertionResult untouchedOutside(const QImage& image, const QRect& area) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!area.contains(x, y) && image.pixelColor(x, y) != kWhite)
                return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is "
                                                     << describe(image.pixelColor(x, y));
    return ::testing::AssertionSuccess();
}

struct ShapeCase {
    const char* name;
    Mark mark;
    QColor color;
    // Pixels wholly under the stroke, and pixels the shape must leave white.
    std::vector<QPoint> painted;
    std::vector<QPoint> untouched;
};

TEST(DrawMark, StrokesEachShapeOnlyWhereItRuns) {
    const Point topLeft{40, 40}, bottomRight{160, 120};
    const ShapeCase cases[] = {
        {"rectangle",
         coloured(makeMark(MarkKind::Rectangle, topLeft, bottomRight, 4), "#D01010"),
         QColor(0xD0, 0x10, 0x10),
         {{40, 80}, {160, 80}, {100, 40}, {100, 120}},
         {{100, 80}, {44, 80}, {10, 10}, {190, 190}}},
        // The inscribed ellipse touches the rect only at its edge midpoints.
        {"ellipse",
         coloured(makeMark(MarkKind::Ellipse, topLeft, bottomRight, 4), "#10A010"),
         QColor(0x10, 0xA0, 0x10),
         {{40, 80}, {160, 80}, {100, 40}, {100, 120}},
         {{100, 80}, {50, 40}, {44, 44}}},
        {"magnifier outline, its lens left to the composition",
         coloured(makeMark(MarkKind::Magnify, topLeft, bottomRight, 4), "#8010F0"),
         QColor(0x80, 0x10, 0xF0),
         {{40, 80}, {160, 80}, {100, 40}, {100, 120}},
         {{100, 80}, {50, 40}}},
        {"line",
         coloured(makeMark(MarkKind::Line, {20, 20}, {180, 180}, 4), "#101010"),
         QColor(0x10, 0x10, 0x10),
         {{30, 30}, {100, 100}, {170, 170}},
         {{180, 20}, {100, 60}}},
        // A round cap reaches half the width past the end, but not into the corners a square
        // cap would fill.
        {"round line caps",
         coloured(makeMark(MarkKind::Line, {40, 100}, {100, 100}, 10), "#1010D0"),
         QColor(0x10, 0x10, 0xD0),
         {{103, 100}, {36, 100}},
         {{104, 95}, {106, 100}}},
        // The head is open: nothing joins the two wing tips.
        {"arrow",
         coloured(makeMark(MarkKind::Arrow, {20, 100}, {180, 100}, 3), "#E07010"),
         QColor(0xE0, 0x70, 0x10),
         {{100, 100}, {169, 105}, {169, 93}},
         {{169, 97}, {169, 102}, {100, 110}, {185, 100}}},
        {"freehand through its points in order, not closed",
         freehand({{20, 150}, {100, 20}, {180, 150}}, 4, "#1010D0"),
         QColor(0x10, 0x10, 0xD0),
         {{60, 85}, {140, 85}, {100, 21}},
         {{100, 150}, {100, 80}}},
        {"freehand of a single point is a dot",
         freehand({{100, 100}}, 6, "#1010D0"),
         QColor(0x10, 0x10, 0xD0),
         {{99, 99}, {100, 100}},
         {{104, 100}, {100, 95}}},
        {"line of zero length is a dot",
         coloured(makeMark(MarkKind::Line, {100, 100}, {100, 100}, 6), "#1010D0"),
         QColor(0x10, 0x10, 0xD0),
         {{99, 99}, {100, 100}},
         {{104, 100}, {100, 95}}},
    };
    for (const ShapeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = paint(c.mark);
        for (const QPoint& p : c.painted)
            EXPECT_TRUE(pixelIs(image, p, c.color));
        for (const QPoint& p : c.untouched)
            EXPECT_TRUE(pixelIs(image, p, kWhite, 0));
    }
}

// The ink across a horizontal line, summed over a column, is its width.
TEST(DrawMark, StrokesAreAsWideAsTheLineWidth) {
    for (double width : {2.0, 5.0, 8.0}) {
        SCOPED_TRACE(width);
        const QImage image =
            paint(coloured(makeMark(MarkKind::Line, {20, 100}, {180, 100}, width), "black"));
        double ink = 0;
        for (int y = 0; y < kSide; ++y)
            ink += (255 - image.pixelColor(100, y).red()) / 255.0;
        EXPECT_NEAR(ink, width, 0.05);
    }
}

TEST(DrawMark, SmoothsTheEdgesOfStrokes) {
    const QImage image =
        paint(coloured(makeMark(MarkKind::Line, {20, 30}, {180, 170}, 3), "black"));
    int partial = 0;
    for (int x = 0; x < kSide; ++x) {
        const int grey = image.pixelColor(x, 100).red();
        partial += grey > 10 && grey < 245;
    }
    EXPECT_GT(partial, 0);
}

TEST(DrawMark, PointerOutlinesOnlyRectsLargerThanEightPixels) {
    struct Case {
        double width, height;
        bool paints;
    };
    const Case cases[] = {{4, 4, false}, {8, 40, false}, {40, 8, false},
                          {0, 0, false}, {9, 9, true},   {8.5, 40, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " × " << c.height);
        const QImage image =
            paint(makeMark(MarkKind::Pointer, {100, 100}, {100 + c.width, 100 + c.height}));
        EXPECT_EQ(image != whiteCanvas(), c.paints);
    }
}

TEST(DrawMark, LargePointerTintsItsInsideFaintlyAndOutlinesIt) {
    const QImage image = paint(makeMark(MarkKind::Pointer, {40, 40}, {140, 120}));
    const auto tint = [](int channel) { return 0.94 * 255 + 0.06 * channel; };
    const QColor faint(std::lround(tint(kDefaultBlue.red())),
                       std::lround(tint(kDefaultBlue.green())),
                       std::lround(tint(kDefaultBlue.blue())));
    EXPECT_TRUE(pixelIs(image, {90, 80}, faint, 2));
    EXPECT_TRUE(pixelIs(image, {40, 80}, kDefaultBlue));
    EXPECT_TRUE(pixelIs(image, {39, 80}, kDefaultBlue));
    EXPECT_TRUE(pixelIs(image, {37, 80}, kWhite, 0));
}

TEST(DrawMark, HighlightMultipliesWhatIsUnderIt) {
    struct Case {
        std::optional<double> opacity;
        double effective;
    };
    const QColor color(0x20, 0x80, 0xF0);
    for (const Case& c : {Case{std::nullopt, 0.35}, Case{0.8, 0.8}, Case{1.0, 1.0}}) {
        SCOPED_TRACE(c.effective);
        QImage canvas = whiteCanvas();
        QPainter(&canvas).fillRect(100, 0, 100, kSide, kBlack);
        Mark mark = coloured(makeMark(MarkKind::Highlight, {40, 40}, {160, 120}), "#2080F0");
        mark.opacity = c.opacity;
        const QImage image = paint(mark, std::nullopt, std::nullopt, canvas);
        const auto onWhite = [&](int channel) {
            return int(std::lround(255 * (1 - c.effective) + channel * c.effective));
        };
        EXPECT_TRUE(pixelIs(
            image, {60, 80},
            QColor(onWhite(color.red()), onWhite(color.green()), onWhite(color.blue())), 2));
        EXPECT_TRUE(pixelIs(image, {140, 80}, kBlack, 1));
        EXPECT_TRUE(pixelIs(image, {20, 80}, kWhite, 0));
        EXPECT_TRUE(pixelIs(image, {180, 80}, kBlack, 0));
    }
}

TEST(DrawMark, TextStaysInsideItsFrame) {
    struct Case {
        const char* name;
        const char* text;
        bool wraps;
    };
    const Case cases[] = {
        {"short", "Bug here", false},
        {"long, wrapped onto more lines than the rect holds",
         "Move the save button next to cancel, please", true},
    };
    const QColor color(0xC0, 0x10, 0x10);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Mark mark = coloured(makeMark(MarkKind::Text, {20, 20}, {120, 60}), "#C01010");
        mark.text = QString::fromUtf8(c.text);
        const Rect frame = textRect(mark);
        const QRect area(int(frame.x), int(frame.y), int(std::ceil(frame.width)),
                         int(std::ceil(frame.height)));
        const QImage image = paint(mark);
        const QRect ink = inkBounds(image, area, color, kWhite);
        ASSERT_FALSE(ink.isEmpty());
        // Set from the top-left corner: only the first glyph's side bearing and the space above
        // a capital separate the ink from it.
        const double bearing = textSize(mark) / 4;
        EXPECT_LE(ink.left() - area.left(), bearing);
        EXPECT_LE(ink.top() - area.top(), bearing);
        EXPECT_EQ(ink.bottom() >= 20 + 40, c.wraps) << ink.bottom();
        EXPECT_TRUE(untouchedOutside(image, area));
    }
}

// Ink height of a capital letter against the font's own measure at 72 dpi, where a 16-point
// font is 16 pixels high: a different size or resolution would be far off.
TEST(DrawMark, TextIsSetInAFontScaledByTheLineWidth) {
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    device.setDotsPerMeterX(annotationDotsPerMeter());
    device.setDotsPerMeterY(annotationDotsPerMeter());
    for (const auto& [lineWidth, size] : {std::pair{1.0, 16.0}, {5.0, 30.0}}) {
        SCOPED_TRACE(lineWidth);
        Mark mark = coloured(makeMark(MarkKind::Text, {20, 20}, {120, 60}, lineWidth), "black");
        mark.text = QStringLiteral("H");
        const QImage image = paint(mark);
        const double expected =
            QFontMetricsF(annotationFont(size), &device).tightBoundingRect(mark.text).height();
        const QRect ink = inkBounds(image, image.rect(), kBlack, kWhite);
        EXPECT_NEAR(ink.height(), expected, 1.5);
    }
}

struct RedactCase {
    const char* name;
    Point start, end;
    const char* color;
    std::optional<int> number;
    QRect covered;
};

TEST(DrawMark, RedactionIsOpaqueBlackOverWholePixelsAndNothingElse) {
    const RedactCase cases[] = {
        {"whole pixels", {20, 30}, {80, 90}, "red", std::nullopt, QRect(20, 30, 60, 60)},
        {"fractional edges rounded outwards, with a number",
         {10.3, 20.7},
         {50.2, 60.1},
         "white",
         4,
         QRect(10, 20, 41, 41)},
        {"dragged upwards and left",
         {150.5, 150.5},
         {120.25, 110.75},
         "#123456",
         1,
         QRect(120, 110, 31, 41)},
    };
    for (const RedactCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = paint(coloured(makeMark(MarkKind::Redact, c.start, c.end), c.color),
                                   c.number, Rect{0, 0, kSide, kSide});
        for (int y = c.covered.top(); y <= c.covered.bottom(); ++y)
            for (int x = c.covered.left(); x <= c.covered.right(); ++x)
                ASSERT_EQ(image.pixel(x, y), qRgba(0, 0, 0, 255)) << x << ", " << y;
        EXPECT_TRUE(untouchedOutside(image, c.covered));
    }
}

// A scaled preview puts the rounded edges between device pixels; they must stay hard there too.
TEST(DrawMark, RedactionEdgesStayHardUnderScaling) {
    QImage image = whiteCanvas();
    QPainter painter(&image);
    painter.scale(1.5, 1.5);
    drawMark(painter, makeMark(MarkKind::Redact, {10.4, 10.4}, {20.6, 20.6}), std::nullopt,
             std::nullopt);
    painter.end();
    int black = 0;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const QRgb pixel = image.pixel(x, y);
            ASSERT_TRUE(pixel == qRgb(0, 0, 0) || pixel == qRgb(255, 255, 255)) << x << ", " << y;
            black += pixel == qRgb(0, 0, 0);
        }
    // Whole pixels 10…21 at 1.5 times: 16 or 17 device pixels a side, depending on rounding.
    EXPECT_GE(black, 16 * 16);
    EXPECT_LE(black, 17 * 17);
}

struct BadgeCase {
    const char* name;
    Mark mark;
    int number;
    std::optional<Rect> crop;
    QPoint centre;
    QColor fill;
    QColor digits;
};

// Probes the circle away from the digits, then finds the digits by their colour and checks that
// their ink is centred in the circle.
TEST(DrawMark, BadgeShowsTheNumberCentredInACircle) {
    const Point dot{100, 100}, dotEnd{104, 104};
    const QColor red = QColor::fromRgbF(0.91f, 0.18f, 0.22f);
    const BadgeCase cases[] = {
        {"small pointer, up and left of its point",
         coloured(makeMark(MarkKind::Pointer, dot, dotEnd), "red"),
         3,
         std::nullopt,
         {76, 76},
         red,
         kBlack},
        {"white pointer with dark digits",
         coloured(makeMark(MarkKind::Pointer, dot, dotEnd), "white"),
         12,
         std::nullopt,
         {76, 76},
         kWhite,
         kBlack},
        {"blue pointer with light digits",
         coloured(makeMark(MarkKind::Pointer, dot, dotEnd), "blue"),
         5,
         std::nullopt,
         {76, 76},
         kDefaultBlue,
         kWhite},
        {"pointer kept inside the crop",
         coloured(makeMark(MarkKind::Pointer, {20, 20}, {24, 24}), "black"),
         8,
         Rect{0, 0, kSide, kSide},
         {44, 44},
         kBlack,
         kWhite},
        {"rectangle, on its top-left corner in the default blue",
         coloured(makeMark(MarkKind::Rectangle, {60, 60}, {160, 140}), "red"),
         7,
         std::nullopt,
         {60, 60},
         kDefaultBlue,
         kWhite},
        {"arrow, on its start",
         coloured(makeMark(MarkKind::Arrow, {150, 150}, {50, 50}), "white"),
         2,
         std::nullopt,
         {150, 150},
         kDefaultBlue,
         kWhite},
    };
    for (const BadgeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = paint(c.mark, c.number, c.crop);
        for (const QPoint offset : {QPoint(-10, 0), QPoint(0, -10), QPoint(-8, -8)})
            EXPECT_TRUE(pixelIs(image, c.centre + offset, c.fill));
        const QRect inner(c.centre - QPoint(11, 11), QSize(22, 22));
        const QRect digits = inkBounds(image, inner, c.digits, c.fill);
        ASSERT_FALSE(digits.isEmpty());
        EXPECT_GE(digits.height(), 8);
        const QPointF inkCentre = QRectF(digits).center();
        EXPECT_NEAR(inkCentre.x(), c.centre.x(), 1.5);
        EXPECT_NEAR(inkCentre.y(), c.centre.y(), 1.5);
    }
}

TEST(DrawMark, SmallPointerIsInvisibleWithoutANumber) {
    const Mark pointer = coloured(makeMark(MarkKind::Pointer, {100, 100}, {104, 104}), "red");
    EXPECT_EQ(paint(pointer), whiteCanvas());
}

TEST(DrawMark, PointerBadgeIsJoinedToADotOnItsPoint) {
    const QColor red = QColor::fromRgbF(0.91f, 0.18f, 0.22f);
    const Mark pointer = coloured(makeMark(MarkKind::Pointer, {100, 100}, {104, 104}), "red");
    const QImage image = paint(pointer, 3);
    // The leader, between the circle and the point.
    const QColor leader = image.pixelColor(92, 92);
    EXPECT_GT(leader.red() - leader.green(), 80) << describe(leader);
    // The dot fills pixels on either side of the leader's diagonal.
    EXPECT_TRUE(pixelIs(image, {100, 99}, red));
    EXPECT_TRUE(pixelIs(image, {99, 100}, red));
    EXPECT_TRUE(untouchedOutside(image, QRect(62, 62, 41, 41)));
}

TEST(DrawMark, PointerBadgeHasAFaintRingInTheDigitColour) {
    // On a white badge the ring is black at 30 %: grey, neither white nor black.
    const Mark pointer = coloured(makeMark(MarkKind::Pointer, {100, 100}, {104, 104}), "white");
    const QImage image = paint(pointer, 1);
    int darkest = 255;
    for (int y = 58; y <= 68; ++y)
        darkest = std::min(darkest, image.pixelColor(76, y).red());
    EXPECT_GE(darkest, int(255 * 0.7) - 2);
    EXPECT_LT(darkest, 245);
}

TEST(DrawMark, OnlyPointerBadgesHaveARing) {
    // A white rectangle's badge would get a black ring if it had one; its blue circle meets the
    // white canvas directly, so every pixel across its edge keeps a full blue channel.
    const QImage image =
        paint(coloured(makeMark(MarkKind::Rectangle, {100, 100}, {180, 180}), "white"), 1);
    for (int y = 82; y <= 92; ++y)
        EXPECT_GE(image.pixelColor(100, y).blue(), kDefaultBlue.blue() - 3) << y;
}

TEST(DrawMark, LeavesThePainterAsItFoundIt) {
    const MarkKind kinds[] = {MarkKind::Pointer,   MarkKind::Arrow,   MarkKind::Line,
                              MarkKind::Rectangle, MarkKind::Ellipse, MarkKind::Freehand,
                              MarkKind::Highlight, MarkKind::Text,    MarkKind::Redact,
                              MarkKind::Magnify};
    for (const MarkKind kind : kinds) {
        SCOPED_TRACE(rawValue(kind).toStdString());
        Mark mark = makeMark(kind, {40, 40}, {120, 100});
        mark.points = std::vector<Point>{{40, 40}, {120, 100}};
        mark.text = QStringLiteral("Note");
        QImage image = whiteCanvas();
        QPainter painter(&image);
        const QPen pen(Qt::green, 7);
        const QBrush brush(Qt::yellow);
        const QFont font(QStringLiteral("Monospace"), 9);
        painter.setPen(pen);
        painter.setBrush(brush);
        painter.setFont(font);
        painter.setRenderHint(QPainter::Antialiasing, false);
        drawMark(painter, mark, 1, std::nullopt);
        EXPECT_EQ(painter.pen(), pen);
        EXPECT_EQ(painter.brush(), brush);
        EXPECT_EQ(painter.font(), font);
        EXPECT_EQ(painter.compositionMode(), QPainter::CompositionMode_SourceOver);
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
