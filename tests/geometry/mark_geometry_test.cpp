#include "geometry/mark_geometry.h"
#include "geometry/text_metrics.h"
#include "support/test_marks.h"

#include <QStringList>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace lumbex {
namespace {

Mark textMark(Point start, Point end, const QString& text, double lineWidth = 3) {
    Mark mark = makeMark(MarkKind::Text, start, end, lineWidth);
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
    for (const auto& [lineWidth, expected] : {std::pair{2.5, 16.0}, {2.7, 16.2}, {10.0, 60.0}})
        EXPECT_DOUBLE_EQ(textSize(textMark({0, 0}, {100, 50}, {}, lineWidth)), expected);
}

// Short texts fit on one line, so these frames do not depend on the font.
TEST(TextRect, KeepsAtLeastEightyByFortyAtTheRectOrigin) {
    const struct {
        Point start, end;
        const char* text;
        Rect expected;
    } cases[] = {
        {{10, 20}, {20, 20}, "Hi", {10, 20, 80, 40}},
        {{300, 110}, {100, 50}, "Hi", {100, 50, 200, 60}},
        {{0.5, 0.25}, {200.75, 100.5}, "Hi", {0.5, 0.25, 200.25, 100.25}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(textRect(textMark(c.start, c.end, QString::fromUtf8(c.text))), c.expected)
            << c.expected;
}

TEST(TextRect, LongTextWrapsAtTheFrameWidthAndGrowsDownwardsToWholePixels) {
    const Mark mark = textMark({30, 40}, {40, 90}, words(40));
    const Rect frame = textRect(mark);
    const double measured = measureText(mark.text, annotationFont(textSize(mark)), 80).height();
    EXPECT_EQ(frame.origin(), (Point{30, 40}));
    EXPECT_EQ(frame.width, 80);
    EXPECT_GT(frame.height, 50);
    EXPECT_EQ(frame.height, std::ceil(measured));
    EXPECT_GT(textRect(textMark({0, 0}, {120, 0}, words(30))).height,
              textRect(textMark({0, 0}, {200, 0}, words(30))).height);
}

TEST(ArrowWings, LieOneHeadLengthBehindTheTipAtThirtyDegreesEitherSide) {
    const struct {
        Point start, end;
        double lineWidth, headLength;
    } cases[] = {
        {{0, 0}, {0, 100}, 2, 12},
        {{10, 10}, {70, 90}, 5, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " → " << c.end);
        const auto wings = arrowWings(makeMark(MarkKind::Arrow, c.start, c.end, c.lineWidth));
        const double shaft = std::atan2(c.end.y - c.start.y, c.end.x - c.start.x);
        for (int i = 0; i < 2; ++i) {
            const Point back = c.end - wings[i];
            EXPECT_NEAR(std::hypot(back.x, back.y), c.headLength, 1e-9);
            const double turn =
                std::remainder(std::atan2(back.y, back.x) - shaft, 2 * std::numbers::pi);
            EXPECT_NEAR(turn, (i == 0 ? -1 : 1) * std::numbers::pi / 6, 1e-9);
        }
    }
}

TEST(DrawnBounds, CoverEverythingEachKindPaintsAndItsBadge) {
    using enum MarkKind;
    Mark freehand = makeMark(Freehand, {0, 0}, {500, 500}, 2);
    freehand.points = std::vector<Point>{{10, 40}, {30, 20}, {20, 60}};
    Mark magnifier = makeMark(Magnify, {100, 100}, {200, 160}, 2);
    magnifier.magnificationCenter = Point{10, 20};
    const struct {
        const char* name;
        Mark mark;
        bool numbered;
        Rect expected;
    } cases[] = {
        {"redact", makeMark(Redact, {10.2, 20.7}, {30.5, 40.1}, 8), false, {10, 20, 21, 21}},
        {"rectangle", makeMark(Rectangle, {50, 60}, {10, 20}, 4), false, {7, 17, 46, 46}},
        {"freehand", freehand, false, {8, 18, 24, 44}},
        {"magnifier source", magnifier, false, {4, 14, 198, 148}},
        {"text frame", makeMark(Text, {10, 20}, {20, 30}), false, {7.5, 17.5, 85, 45}},
        {"arrow wings", makeMark(Arrow, {0, 0}, {100, 0}), false, {-2.5, -8.5, 105, 17}},
        {"pointer in crop", makeMark(Pointer, {5, 5}, {5, 5}), true, {2.5, 2.5, 40.5, 40.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectNear(drawnBounds(c.mark, c.numbered, Rect{0, 0, 100, 100}), c.expected);
    }
}

} // namespace
} // namespace lumbex
