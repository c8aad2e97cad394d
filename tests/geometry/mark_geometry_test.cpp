#include "geometry/mark_geometry.h"
#include "support/test_marks.h"
#include "geometry/text_metrics.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace lumbex {
namespace {

Mark textMark(Rect r, const QString& text, double lineWidth = 3) {
    Mark mark = makeMark(MarkKind::Text, r.origin(), {r.maxX(), r.maxY()}, lineWidth);
    mark.text = text;
    return mark;
}

QString words(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("word%1").arg(i);
    return list.join(u' ');
}

TEST(TextSize, IsSixTimesTheLineWidthButAtLeastSixteen) {
    const std::pair<double, double> cases[] = {
        {1, 16}, {2, 16}, {2.5, 16}, {2.7, 16.2}, {3, 18}, {10, 60}, {32, 192},
    };
    for (const auto& [lineWidth, expected] : cases) {
        const Mark mark = textMark({0, 0, 100, 50}, {}, lineWidth);
        EXPECT_DOUBLE_EQ(textSize(mark), expected) << lineWidth;
    }
}

// Short texts fit on one line, so these frames do not depend on the font.
TEST(TextRect, KeepsAtLeastEightyByFortyAtTheRectOrigin) {
    struct Case {
        const char* name;
        Point start, end;
        const char* text;
        Rect expected;
    };
    const Case cases[] = {
        {"narrow and flat", {10, 20}, {20, 20}, "Hi", {10, 20, 80, 40}},
        {"empty text", {10, 20}, {200, 25}, "", {10, 20, 190, 40}},
        {"empty text at zero size", {10, 20}, {10, 20}, "", {10, 20, 80, 40}},
        {"lower than forty", {100, 50}, {300, 80}, "Hi", {100, 50, 200, 40}},
        {"tall rect kept", {100, 50}, {300, 110}, "Hi", {100, 50, 200, 60}},
        {"exactly forty", {100, 50}, {300, 90}, "Hi", {100, 50, 200, 40}},
        {"dragged up and left", {300, 110}, {100, 50}, "Hi", {100, 50, 200, 60}},
        {"fractional", {0.5, 0.25}, {200.75, 100.5}, "Hi", {0.5, 0.25, 200.25, 100.25}},
    };
    for (const Case& c : cases) {
        Mark mark = makeMark(MarkKind::Text, c.start, c.end);
        mark.text = QString::fromUtf8(c.text);
        EXPECT_EQ(textRect(mark), c.expected) << c.name;
    }
}

TEST(TextRect, LongTextGrowsDownwardsToWholePixels) {
    const Mark mark = textMark({30, 40, 10, 50}, words(40));
    const Rect frame = textRect(mark);
    EXPECT_EQ(frame.x, 30);
    EXPECT_EQ(frame.y, 40);
    EXPECT_EQ(frame.width, 80);
    EXPECT_GT(frame.height, 50);
    EXPECT_EQ(frame.height, std::floor(frame.height));
    const double measured = measureText(mark.text, annotationFont(textSize(mark)), 80).height();
    EXPECT_GE(frame.height, measured);
    EXPECT_LT(frame.height, measured + 1);
}

TEST(TextRect, GrowsWithMoreTextNarrowerFramesAndLargerFonts) {
    const Rect base = textRect(textMark({0, 0, 200, 0}, words(30)));
    EXPECT_GT(textRect(textMark({0, 0, 200, 0}, words(60))).height, base.height);
    EXPECT_GT(textRect(textMark({0, 0, 120, 0}, words(30))).height, base.height);
    EXPECT_LT(textRect(textMark({0, 0, 400, 0}, words(30))).height, base.height);
    EXPECT_GT(textRect(textMark({0, 0, 200, 0}, words(30), 6)).height, base.height);
}

TEST(ArrowWings, LieOneHeadLengthBehindTheTipAtThirtyDegrees) {
    struct Case {
        Point start, end;
        double lineWidth, headLength;
    };
    const Case cases[] = {
        {{0, 0}, {100, 0}, 3, 12},   {{100, 0}, {0, 0}, 3, 12},    {{0, 0}, {0, 100}, 2, 12},
        {{10, 10}, {70, 90}, 5, 20}, {{50, 50}, {-30, 10}, 8, 32}, {{5, 5}, {5, 5}, 3, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " → " << c.end);
        const Mark mark = makeMark(MarkKind::Arrow, c.start, c.end, c.lineWidth);
        const double shaft = std::atan2(c.end.y - c.start.y, c.end.x - c.start.x);
        const auto wings = arrowWings(mark);
        double turns[2];
        for (int i = 0; i < 2; ++i) {
            const Point back = c.end - wings[i];
            EXPECT_NEAR(std::hypot(back.x, back.y), c.headLength, 1e-9);
            turns[i] = std::remainder(std::atan2(back.y, back.x) - shaft, 2 * std::numbers::pi);
        }
        EXPECT_NEAR(turns[0], -std::numbers::pi / 6, 1e-9);
        EXPECT_NEAR(turns[1], std::numbers::pi / 6, 1e-9);
    }
}

TEST(ArrowWings, SpreadAcrossAHorizontalShaft) {
    const auto wings = arrowWings(makeMark(MarkKind::Arrow, {0, 0}, {100, 0}));
    const double behind = 100 - 6 * std::sqrt(3.0);
    EXPECT_NEAR(wings[0].x, behind, 1e-9);
    EXPECT_NEAR(wings[0].y, 6, 1e-9);
    EXPECT_NEAR(wings[1].x, behind, 1e-9);
    EXPECT_NEAR(wings[1].y, -6, 1e-9);
}

Mark withPoints(Mark mark, std::vector<Point> points) {
    mark.points = std::move(points);
    return mark;
}

Mark withSource(Mark mark, Point source) {
    mark.magnificationCenter = source;
    return mark;
}

TEST(DrawnBounds, CoverEverythingEachKindPaints) {
    const std::optional<Rect> noCrop;
    const Rect crop{0, 0, 100, 100};
    struct Case {
        const char* name;
        Mark mark;
        bool numbered;
        std::optional<Rect> crop;
        Rect expected;
    };
    const Case cases[] = {
        {"redact rounds out without outset",
         makeMark(MarkKind::Redact, {10.2, 20.7}, {30.5, 40.1}, 8),
         false,
         noCrop,
         {10, 20, 21, 21}},
        {"redact never has a badge",
         makeMark(MarkKind::Redact, {10, 20}, {30, 40}),
         true,
         crop,
         {10, 20, 20, 20}},
        {"highlight outset by one",
         makeMark(MarkKind::Highlight, {10, 10}, {30, 30}, 10),
         false,
         noCrop,
         {9, 9, 22, 22}},
        {"rectangle outset by half the line width plus one",
         makeMark(MarkKind::Rectangle, {50, 60}, {10, 20}, 4),
         false,
         noCrop,
         {7, 17, 46, 46}},
        {"thin ellipse",
         makeMark(MarkKind::Ellipse, {10, 20}, {50, 40}, 1),
         false,
         noCrop,
         {8.5, 18.5, 43, 23}},
        {"line", makeMark(MarkKind::Line, {0, 50}, {100, 50}, 2), false, noCrop, {-2, 48, 104, 4}},
        {"freehand uses its points",
         withPoints(makeMark(MarkKind::Freehand, {0, 0}, {500, 500}, 2),
                    {{10, 40}, {30, 20}, {20, 60}}),
         false,
         noCrop,
         {8, 18, 24, 44}},
        {"small pointer",
         makeMark(MarkKind::Pointer, {40, 40}, {40, 40}),
         false,
         noCrop,
         {37.5, 37.5, 5, 5}},
        {"magnifier with its source outside",
         withSource(makeMark(MarkKind::Magnify, {100, 100}, {200, 160}, 2), {10, 20}),
         false,
         noCrop,
         {4, 14, 198, 148}},
        {"magnifier showing its own centre",
         makeMark(MarkKind::Magnify, {100, 100}, {200, 160}, 2),
         false,
         noCrop,
         {98, 98, 104, 64}},
        {"empty text frame",
         makeMark(MarkKind::Text, {10, 20}, {20, 30}),
         false,
         noCrop,
         {7.5, 17.5, 85, 45}},
        {"numbered rectangle adds its badge at the top-left",
         makeMark(MarkKind::Rectangle, {10, 20}, {50, 60}, 2),
         true,
         noCrop,
         {-4, 6, 56, 56}},
        {"numbered pointer keeps its badge inside the crop",
         makeMark(MarkKind::Pointer, {5, 5}, {5, 5}),
         true,
         crop,
         {2.5, 2.5, 40.5, 40.5}},
        {"numbered pointer without crop",
         makeMark(MarkKind::Pointer, {5, 5}, {5, 5}),
         true,
         noCrop,
         {-33, -33, 40.5, 40.5}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(drawnBounds(c.mark, c.numbered, c.crop), c.expected) << c.name;
}

TEST(DrawnBounds, IncludeArrowWingsThatStickOutOfTheShaft) {
    const Mark arrow = makeMark(MarkKind::Arrow, {0, 0}, {100, 0});
    expectNear(drawnBounds(arrow, false, std::nullopt), {-2.5, -8.5, 105, 17});
    expectNear(drawnBounds(arrow, true, std::nullopt), {-14, -14, 116.5, 28});

    const Mark backwards = makeMark(MarkKind::Arrow, {100, 0}, {0, 0});
    expectNear(drawnBounds(backwards, true, std::nullopt), {-2.5, -14, 116.5, 28});
}

} // namespace
} // namespace lumbex
