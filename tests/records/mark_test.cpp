#include "core/error.h"
#include "records/mark.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>
#include <string>

namespace lumbex {

inline void PrintTo(const Point& p, std::ostream* os) {
    *os << "(" << p.x << ", " << p.y << ")";
}
inline void PrintTo(const Rect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << "}";
}

namespace {

constexpr char kInvalidBounds[] = "Enter a valid position and size.";
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

// The message of the LumbexError that setBounds throws, or an empty string when it succeeds.
std::string setBoundsRefusal(Mark& mark, const Rect& r) {
    try {
        mark.setBounds(r);
    } catch (const LumbexError& e) {
        return e.message().toStdString();
    }
    return {};
}

TEST(MarkKind, RawValuesRoundTripAndAreCaseSensitive) {
    const std::pair<MarkKind, const char*> rows[] = {
        {MarkKind::Pointer, "pointer"},     {MarkKind::Arrow, "arrow"},
        {MarkKind::Line, "line"},           {MarkKind::Rectangle, "rectangle"},
        {MarkKind::Ellipse, "ellipse"},     {MarkKind::Freehand, "freehand"},
        {MarkKind::Highlight, "highlight"}, {MarkKind::Text, "text"},
        {MarkKind::Redact, "redact"},       {MarkKind::Magnify, "magnify"},
    };
    for (const auto& [kind, raw] : rows) {
        EXPECT_EQ(rawValue(kind).toStdString(), raw);
        EXPECT_EQ(markKindFromRaw(QString::fromUtf8(raw)), kind) << raw;
    }
    for (const char* unknown : {"Pointer", "", "arrow ", "blur"})
        EXPECT_EQ(markKindFromRaw(QString::fromUtf8(unknown)), std::nullopt) << unknown;
}

TEST(Mark, RecordDefaultsMatchTheStoredDefaults) {
    const Mark m;
    EXPECT_TRUE(m.text.isEmpty());
    EXPECT_EQ(m.color.toStdString(), "blue");
    EXPECT_EQ(m.lineWidth, 3);
    EXPECT_FALSE(m.points || m.opacity || m.magnification || m.magnificationCenter);
}

TEST(Mark, RectSpansStartAndEndInAnyDirection) {
    EXPECT_EQ(markOf(MarkKind::Arrow, {10, 20}, {4, 5}).rect(), (Rect{4, 5, 6, 15}));
    EXPECT_EQ(markOf(MarkKind::Arrow, {4, 20}, {10, 5}).rect(), (Rect{4, 5, 6, 15}));
    EXPECT_EQ(markOf(MarkKind::Pointer, {7, 7}, {7, 7}).rect(), (Rect{7, 7, 0, 0}));
}

TEST(Mark, RectOfAStrokeIsTheBoundingBoxOfItsPoints) {
    Mark m = markOf(MarkKind::Freehand, {0, 0}, {500, 500});
    m.points = std::vector<Point>{{30, 40}, {10, 90}, {60, 50}};
    EXPECT_EQ(m.rect(), (Rect{10, 40, 50, 50}));

    m.points = std::vector<Point>{};
    EXPECT_EQ(m.rect(), (Rect{0, 0, 500, 500})) << "an empty path falls back to start and end";
}

TEST(Mark, SourceCenterPrefersTheMagnificationCenter) {
    Mark m = markOf(MarkKind::Magnify, {0, 0}, {100, 50});
    EXPECT_EQ(m.sourceCenter(), (Point{50, 25}));
    m.magnificationCenter = Point{300, 400};
    EXPECT_EQ(m.sourceCenter(), (Point{300, 400}));
}

TEST(Mark, TranslateMovesEveryPointButNotTheMagnifierSource) {
    Mark m = stroke({{1, 2}, {3, 4}});
    m.start = {1, 2};
    m.end = {5, 6};
    m.translate(10, -20);
    EXPECT_EQ(m.start, (Point{11, -18}));
    EXPECT_EQ(m.end, (Point{15, -14}));
    EXPECT_EQ(*m.points, (std::vector<Point>{{11, -18}, {13, -16}}));

    Mark lens = markOf(MarkKind::Magnify, {0, 0}, {40, 40});
    lens.magnificationCenter = Point{200, 100};
    lens.translate(12, 12);
    EXPECT_EQ(lens.rect(), (Rect{12, 12, 40, 40}));
    EXPECT_EQ(lens.magnificationCenter, (Point{200, 100}));
    EXPECT_EQ(lens.sourceCenter(), (Point{200, 100}));
}

TEST(Mark, ResizeToMovesOnlyTheEnd) {
    Mark m = markOf(MarkKind::Rectangle, {50, 60}, {10, 20});
    m.resizeTo({80, 90});
    EXPECT_EQ(m.start, (Point{50, 60}));
    EXPECT_EQ(m.end, (Point{80, 90}));
}

TEST(Mark, ResizeToScalesAStrokeAboutTheOldOrigin) {
    Mark m = stroke({{10, 10}, {20, 30}, {14, 20}});
    const Point oldStart = m.start;
    m.resizeTo({15, 70});
    // Width 10 -> factor (15 - 10) / 10; height 20 -> factor (70 - 10) / 20.
    EXPECT_EQ(*m.points, (std::vector<Point>{{10, 10}, {15, 70}, {12, 40}}));
    EXPECT_EQ(m.start, oldStart);
    EXPECT_EQ(m.end, (Point{15, 70}));
}

TEST(Mark, ResizeToDividesByAtLeastOnePixel) {
    Mark m = stroke({{0, 0}, {0, 0.5}});
    m.resizeTo({4, 2});
    // The height 0.5 counts as 1, so the factor is 2, not 4; the zero width stays zero.
    EXPECT_EQ(*m.points, (std::vector<Point>{{0, 0}, {0, 1}}));
}

TEST(MarkSetBounds, RejectsNonFiniteOrNegativeRectangles) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    const Rect rows[] = {
        {nan, 0, 10, 10}, {0, inf, 10, 10}, {0, 0, inf, 10},
        {0, 0, 10, nan},  {0, 0, -1, 10},   {0, 0, 10, -0.5},
    };
    for (MarkKind kind : {MarkKind::Pointer, MarkKind::Rectangle, MarkKind::Freehand}) {
        for (const Rect& r : rows) {
            Mark m = kind == MarkKind::Freehand ? stroke({{0, 0}, {10, 10}})
                                                : markOf(kind, {0, 0}, {10, 10});
            const Mark before = m;
            EXPECT_EQ(setBoundsRefusal(m, r), kInvalidBounds) << rawValue(kind).toStdString();
            EXPECT_EQ(m, before);
        }
    }
}

TEST(MarkSetBounds, TheCurrentSizeOnlyMovesTheMarkWhateverItsKind) {
    struct Row {
        const char* what;
        Mark mark;
    };
    Mark lens = markOf(MarkKind::Magnify, {0, 0}, {30, 30});
    lens.magnificationCenter = Point{5, 5};
    const Row rows[] = {
        {"narrow text", markOf(MarkKind::Text, {0, 0}, {10, 10})},
        {"flipped text", markOf(MarkKind::Text, {10, 12}, {0, 0})},
        {"empty rectangle", markOf(MarkKind::Rectangle, {3, 3}, {3, 3})},
        {"dot line", markOf(MarkKind::Line, {3, 3}, {3, 3})},
        {"flipped arrow", markOf(MarkKind::Arrow, {40, 0}, {0, 40})},
        {"flat stroke", stroke({{0, 5}, {10, 5}, {20, 5}})},
        {"magnifier", lens},
    };
    for (const Row& row : rows) {
        Mark m = row.mark;
        const Rect old = m.rect();
        const Rect target{old.x + 7.5, old.y - 3, old.width, old.height};
        ASSERT_EQ(setBoundsRefusal(m, target), "") << row.what;
        Mark expected = row.mark;
        expected.translate(7.5, -3);
        EXPECT_EQ(m, expected) << row.what;
        EXPECT_EQ(m.rect(), target) << row.what;
    }
}

TEST(MarkSetBounds, SizeRulesApplyToTheDimensionsThatChange) {
    struct Row {
        MarkKind kind;
        Point start, end;
        Rect target;
        const char* refusal;
    };
    const Row rows[] = {
        {MarkKind::Rectangle, {0, 0}, {10, 10}, {0, 0, 1, 1}, ""},
        {MarkKind::Rectangle, {0, 0}, {10, 10}, {0, 0, 0.9, 10}, kAreaTooSmall},
        {MarkKind::Rectangle, {0, 0}, {10, 10}, {0, 0, 10, 0}, kAreaTooSmall},
        // A zero width that is kept is not a changed dimension.
        {MarkKind::Rectangle, {0, 0}, {0, 10}, {0, 0, 0, 20}, ""},
        {MarkKind::Rectangle, {0, 0}, {0, 10}, {0, 0, 0.5, 20}, kAreaTooSmall},
        {MarkKind::Ellipse, {0, 0}, {10, 10}, {0, 0, 0, 10}, kAreaTooSmall},
        {MarkKind::Highlight, {0, 0}, {10, 10}, {0, 0, 10, 0.5}, kAreaTooSmall},
        {MarkKind::Redact, {0, 0}, {10, 10}, {0, 0, 0, 0}, kAreaTooSmall},
        {MarkKind::Magnify, {0, 0}, {10, 10}, {0, 0, 10, 0}, kAreaTooSmall},
        {MarkKind::Magnify, {0, 0}, {10, 10}, {0, 0, 1, 1}, ""},
        {MarkKind::Arrow, {0, 0}, {10, 10}, {0, 0, 0, 0}, kLineTooShort},
        {MarkKind::Arrow, {0, 0}, {10, 10}, {0, 0, 0.9, 0.9}, kLineTooShort},
        {MarkKind::Arrow, {0, 0}, {10, 10}, {0, 0, 0, 1}, ""},
        {MarkKind::Line, {0, 0}, {10, 10}, {0, 0, 1, 0}, ""},
        {MarkKind::Line, {0, 0}, {10, 10}, {0, 0, 0.5, 0}, kLineTooShort},
        {MarkKind::Text, {0, 0}, {100, 50}, {0, 0, 80, 40}, ""},
        {MarkKind::Text, {0, 0}, {100, 50}, {0, 0, 79, 50}, kTextTooSmall},
        {MarkKind::Text, {0, 0}, {100, 50}, {0, 0, 100, 39.5}, kTextTooSmall},
        // A narrow text mark keeps its width while only its height changes, and vice versa.
        {MarkKind::Text, {0, 0}, {10, 10}, {0, 0, 10, 40}, ""},
        {MarkKind::Text, {0, 0}, {10, 10}, {0, 0, 10, 39}, kTextTooSmall},
        {MarkKind::Text, {0, 0}, {10, 10}, {0, 0, 80, 10}, ""},
        {MarkKind::Pointer, {0, 0}, {10, 10}, {0, 0, 0, 0}, ""},
    };
    for (const Row& row : rows) {
        Mark m = markOf(row.kind, row.start, row.end);
        const Mark before = m;
        const std::string label = rawValue(row.kind).toStdString() + " to " +
                                  std::to_string(row.target.width) + " x " +
                                  std::to_string(row.target.height);
        EXPECT_EQ(setBoundsRefusal(m, row.target), row.refusal) << label;
        if (*row.refusal)
            EXPECT_EQ(m, before) << label;
        else
            EXPECT_EQ(m.rect(), row.target) << label;
    }
}

TEST(MarkSetBounds, KeepsTheDirectionOfStartAndEnd) {
    struct Row {
        Point start, end;
        Point expectedStart, expectedEnd;
    };
    const Rect target{100, 200, 30, 40};
    const Row rows[] = {
        {{0, 0}, {10, 10}, {100, 200}, {130, 240}},
        {{10, 10}, {0, 0}, {130, 240}, {100, 200}},
        {{10, 0}, {0, 10}, {130, 200}, {100, 240}},
        {{0, 10}, {10, 0}, {100, 240}, {130, 200}},
    };
    for (const Row& row : rows) {
        Mark m = markOf(MarkKind::Arrow, row.start, row.end);
        ASSERT_EQ(setBoundsRefusal(m, target), "");
        EXPECT_EQ(m.start, row.expectedStart);
        EXPECT_EQ(m.end, row.expectedEnd);
    }
}

TEST(MarkSetBounds, StretchesAStrokeIntoTheRectangle) {
    Mark m = stroke({{10, 20}, {30, 60}, {20, 30}});
    ASSERT_EQ(setBoundsRefusal(m, {0, 100, 40, 20}), "");
    EXPECT_EQ(*m.points, (std::vector<Point>{{0, 100}, {40, 120}, {20, 105}}));
    EXPECT_EQ(m.start, (Point{0, 100}));
    EXPECT_EQ(m.end, (Point{40, 120}));
}

TEST(MarkSetBounds, AFlatStrokeCanMoveAndWidenButNotGainHeight) {
    const Mark flat = stroke({{0, 5}, {10, 5}, {20, 5}});

    Mark widened = flat;
    ASSERT_EQ(setBoundsRefusal(widened, {3, 4, 40, 0}), "");
    EXPECT_EQ(*widened.points, (std::vector<Point>{{3, 4}, {23, 4}, {43, 4}}));
    EXPECT_EQ(widened.start, (Point{3, 4}));
    EXPECT_EQ(widened.end, (Point{43, 4}));

    for (const Rect& r : {Rect{0, 5, 20, 1}, Rect{0, 5, 20, 0.25}, Rect{3, 4, 40, 3}}) {
        Mark m = flat;
        EXPECT_EQ(setBoundsRefusal(m, r), kFlatStroke) << r.width << " x " << r.height;
        EXPECT_EQ(m, flat);
    }
}

TEST(MarkSetBounds, AStrokeWithExtentCannotBeFlattenedBelowOnePixel) {
    const Mark diagonal = stroke({{0, 0}, {10, 10}});
    struct Row {
        Rect target;
        bool allowed;
    };
    const Row rows[] = {
        {{0, 0, 1, 10}, true},  {{0, 0, 10, 1}, true},  {{0, 0, 0.5, 10}, false},
        {{0, 0, 0, 10}, false}, {{0, 0, 10, 0}, false},
    };
    for (const Row& row : rows) {
        Mark m = diagonal;
        EXPECT_EQ(setBoundsRefusal(m, row.target), row.allowed ? "" : kFlatStroke)
            << row.target.width << " x " << row.target.height;
        EXPECT_EQ(m.rect(), row.allowed ? row.target : diagonal.rect());
    }
}

} // namespace
} // namespace lumbex
