#include "core/error.h"
#include "records/mark.h"

#include <array>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>

namespace lumbex {

inline void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}

namespace {

constexpr char kAreaTooSmall[] = "This annotation needs a width and height of at least 1 px.";
constexpr char kLineTooShort[] = "A line needs a width or height of at least 1 px.";
constexpr char kTextTooSmall[] =
    "Text needs at least 80 px of wrap width and 40 px of minimum height.";
constexpr char kFlatStroke[] = "Keep the stroke's existing dimensions at least 1 px. A flat stroke "
                               "cannot be stretched along its empty dimension.";

Mark markOf(MarkKind kind, Point start, Point end) {
    Mark m;
    m.id = newId();
    m.mediaID = newId();
    m.kind = kind;
    m.start = start;
    m.end = end;
    return m;
}

Mark stroke(std::vector<Point> points) {
    Mark m = markOf(MarkKind::Freehand, points.front(), points.back());
    m.points = std::move(points);
    return m;
}

std::string setBoundsRefusal(Mark& mark, const Rect& r) {
    try {
        mark.setBounds(r);
    } catch (const LumbexError& e) {
        return e.message().toStdString();
    }
    return {};
}

TEST(Mark, RectSpansStartAndEndOrBoundsTheStrokePoints) {
    EXPECT_EQ(markOf(MarkKind::Arrow, {10, 20}, {4, 5}).rect(), (Rect{4, 5, 6, 15}));
    Mark m = markOf(MarkKind::Freehand, {0, 0}, {500, 500});
    m.points = std::vector<Point>{{30, 40}, {10, 90}, {60, 50}};
    EXPECT_EQ(m.rect(), (Rect{10, 40, 50, 50}));
    m.points = std::vector<Point>{};
    EXPECT_EQ(m.rect(), (Rect{0, 0, 500, 500})) << "an empty path falls back to start and end";
}

TEST(Mark, TranslateMovesEveryPointButNotTheMagnifierSource) {
    Mark m = stroke({{1, 2}, {3, 4}});
    m.end = {5, 6};
    m.translate(10, -20);
    EXPECT_EQ(m.start, (Point{11, -18}));
    EXPECT_EQ(m.end, (Point{15, -14}));
    EXPECT_EQ(*m.points, (std::vector<Point>{{11, -18}, {13, -16}}));

    Mark lens = markOf(MarkKind::Magnify, {0, 0}, {40, 40});
    EXPECT_EQ(lens.sourceCenter(), (Point{20, 20}));
    lens.magnificationCenter = Point{200, 100};
    lens.translate(12, 12);
    EXPECT_EQ(lens.sourceCenter(), (Point{200, 100}));
}

TEST(Mark, ResizeToMovesTheEndAndScalesAStrokeAboutTheOldOrigin) {
    Mark m = markOf(MarkKind::Rectangle, {50, 60}, {10, 20});
    m.resizeTo({80, 90});
    EXPECT_EQ(m.start, (Point{50, 60}));
    EXPECT_EQ(m.end, (Point{80, 90}));

    Mark s = stroke({{10, 10}, {20, 30}, {14, 20}});
    s.resizeTo({15, 70});
    EXPECT_EQ(*s.points, (std::vector<Point>{{10, 10}, {15, 70}, {12, 40}}));
    EXPECT_EQ(s.start, (Point{10, 10}));

    // A height of 0.5 divides as 1; a zero width stays zero.
    Mark thin = stroke({{0, 0}, {0, 0.5}});
    thin.resizeTo({4, 2});
    EXPECT_EQ(*thin.points, (std::vector<Point>{{0, 0}, {0, 1}}));
}

TEST(MarkSetBounds, RejectsNonFiniteOrNegativeRectanglesUnchanged) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Rect& r : {Rect{nan, 0, 10, 10}, Rect{0, 0, 10, -0.5}}) {
        for (Mark m : {markOf(MarkKind::Pointer, {0, 0}, {10, 10}), stroke({{0, 0}, {10, 10}})}) {
            const Mark before = m;
            EXPECT_EQ(setBoundsRefusal(m, r), "Enter a valid position and size.");
            EXPECT_EQ(m, before);
        }
    }
}

TEST(MarkSetBounds, TheCurrentSizeOnlyMovesTheMarkWhateverItsKind) {
    Mark lens = markOf(MarkKind::Magnify, {0, 0}, {30, 30});
    lens.magnificationCenter = Point{5, 5};
    for (const Mark& mark :
         {markOf(MarkKind::Text, {10, 12}, {0, 0}), stroke({{0, 5}, {10, 5}, {20, 5}}), lens}) {
        Mark m = mark;
        const Rect old = m.rect();
        ASSERT_EQ(setBoundsRefusal(m, {old.x + 7.5, old.y - 3, old.width, old.height}), "")
            << rawValue(mark.kind).toStdString();
        Mark expected = mark;
        expected.translate(7.5, -3);
        EXPECT_EQ(m, expected) << rawValue(mark.kind).toStdString();
    }
}

TEST(MarkSetBounds, SizeRulesApplyToTheDimensionsThatChange) {
    struct Row {
        MarkKind kind;
        Point end;
        Rect target;
        const char* refusal;
    };
    const Row rows[] = {
        {MarkKind::Rectangle, {10, 10}, {0, 0, 1, 1}, ""},
        {MarkKind::Rectangle, {10, 10}, {0, 0, 0.9, 10}, kAreaTooSmall},
        // A zero width that is kept is not a changed dimension.
        {MarkKind::Highlight, {0, 10}, {0, 0, 0, 20}, ""},
        {MarkKind::Arrow, {10, 10}, {0, 0, 0.9, 0.9}, kLineTooShort},
        {MarkKind::Text, {100, 50}, {0, 0, 79, 50}, kTextTooSmall},
        // A narrow text mark keeps its width while only its height changes, and vice versa.
        {MarkKind::Text, {10, 10}, {0, 0, 10, 40}, ""},
        {MarkKind::Pointer, {10, 10}, {0, 0, 0, 0}, ""},
    };
    for (const Row& row : rows) {
        Mark m = markOf(row.kind, {0, 0}, row.end);
        const Mark before = m;
        SCOPED_TRACE(testing::Message() << rawValue(row.kind).toStdString() << " "
                                        << row.target.width << " x " << row.target.height);
        EXPECT_EQ(setBoundsRefusal(m, row.target), row.refusal);
        EXPECT_EQ(m.rect(), *row.refusal ? before.rect() : row.target);
    }
}

TEST(MarkSetBounds, KeepsTheDirectionOfStartAndEnd) {
    // Start and end before, then after placing the mark in {100, 200, 30 x 40}.
    const std::array<Point, 4> rows[] = {{{{10, 10}, {0, 0}, {130, 240}, {100, 200}}},
                                         {{{10, 0}, {0, 10}, {130, 200}, {100, 240}}}};
    for (const auto& [start, end, newStart, newEnd] : rows) {
        Mark m = markOf(MarkKind::Arrow, start, end);
        ASSERT_EQ(setBoundsRefusal(m, {100, 200, 30, 40}), "");
        EXPECT_EQ(m.start, newStart);
        EXPECT_EQ(m.end, newEnd);
    }
}

TEST(MarkSetBounds, StretchesAStrokeIntoTheRectangle) {
    Mark m = stroke({{10, 20}, {30, 60}, {20, 30}});
    ASSERT_EQ(setBoundsRefusal(m, {0, 100, 40, 20}), "");
    EXPECT_EQ(*m.points, (std::vector<Point>{{0, 100}, {40, 120}, {20, 105}}));
    EXPECT_EQ(m.start, (Point{0, 100}));
    EXPECT_EQ(m.end, (Point{40, 120}));
}

TEST(MarkSetBounds, AStrokeKeepsItsFlatOrNonFlatDimensions) {
    Mark widened = stroke({{0, 5}, {10, 5}, {20, 5}});
    ASSERT_EQ(setBoundsRefusal(widened, {3, 4, 40, 0}), "");
    EXPECT_EQ(*widened.points, (std::vector<Point>{{3, 4}, {23, 4}, {43, 4}}));

    const std::pair<Mark, Rect> refused[] = {{stroke({{0, 5}, {20, 5}}), {3, 4, 40, 3}},
                                             {stroke({{0, 0}, {10, 10}}), {0, 0, 0.5, 10}}};
    for (const auto& [mark, target] : refused) {
        Mark m = mark;
        EXPECT_EQ(setBoundsRefusal(m, target), kFlatStroke)
            << target.width << " x " << target.height;
        EXPECT_EQ(m, mark);
    }
    Mark narrowed = stroke({{0, 0}, {10, 10}});
    ASSERT_EQ(setBoundsRefusal(narrowed, {0, 0, 1, 10}), "");
    EXPECT_EQ(narrowed.rect(), (Rect{0, 0, 1, 10}));
}

} // namespace
} // namespace lumbex
