#include "canvas/hit_testing.h"
#include "geometry/mark_geometry.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

const Rect kOutput{0, 0, 400, 300};

struct HitRow {
    const char* name;
    MarkKind kind;
    Point start;
    Point end;
    double zoom;
    Point probe;
    bool hit;
};

void PrintTo(const HitRow& row, std::ostream* out) {
    *out << row.name;
}

class HitTest : public ::testing::TestWithParam<HitRow> {};

TEST_P(HitTest, UsesTheKindsShapeWithEightPointsOfTolerance) {
    const HitRow& row = GetParam();
    const Mark mark = makeMark(row.kind, row.start, row.end, 4);
    const auto found = hitMark({mark}, {}, std::nullopt, kOutput, row.probe, row.zoom);
    EXPECT_EQ(found.has_value(), row.hit);
}

// Strokes reach 8/zoom + lineWidth/2 (here 2) from their segment; boxes their rect outset by
// 8/zoom; ellipses the ellipse inscribed in the rect outset by 8/zoom + 2.
INSTANTIATE_TEST_SUITE_P(
    Rows, HitTest,
    ::testing::Values(
        HitRow{"LineWithinReach", MarkKind::Line, {10, 10}, {110, 10}, 1, {60, 19.9}, true},
        HitRow{"LineJustOutOfReach", MarkKind::Line, {10, 10}, {110, 10}, 1, {60, 20}, false},
        HitRow{"LineBeyondItsEndIsClampedToTheEnd",
               MarkKind::Line,
               {10, 10},
               {110, 10},
               1,
               {125, 10},
               false},
        HitRow{"ArrowNearItsEnd", MarkKind::Arrow, {10, 10}, {110, 110}, 1, {115, 115}, true},
        HitRow{
            "ZoomedInShrinksTheTolerance", MarkKind::Line, {10, 10}, {110, 10}, 4, {60, 15}, false},
        HitRow{
            "ZoomedOutGrowsTheTolerance", MarkKind::Line, {10, 10}, {110, 10}, 0.5, {60, 27}, true},
        HitRow{"RectangleInside", MarkKind::Rectangle, {50, 50}, {100, 100}, 1, {75, 75}, true},
        HitRow{"RectangleWithinTolerance",
               MarkKind::Rectangle,
               {50, 50},
               {100, 100},
               1,
               {107, 75},
               true},
        HitRow{"RectangleOutside", MarkKind::Rectangle, {50, 50}, {100, 100}, 1, {109, 75}, false},
        HitRow{"EllipseCentre", MarkKind::Ellipse, {50, 50}, {150, 100}, 1, {100, 75}, true},
        HitRow{
            "EllipseCornerIsOutside", MarkKind::Ellipse, {50, 50}, {150, 100}, 1, {48, 48}, false},
        HitRow{"EllipseEdgeWithinTolerance",
               MarkKind::Ellipse,
               {50, 50},
               {150, 100},
               1,
               {159, 75},
               true},
        HitRow{"LensUsesTheEllipse", MarkKind::Magnify, {50, 50}, {150, 100}, 1, {52, 52}, false},
        HitRow{
            "HighlightUsesTheBox", MarkKind::Highlight, {50, 50}, {150, 100}, 1, {52, 52}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HitMarkTest, FreehandFollowsItsPointsNotItsBox) {
    Mark stroke = makeMark(MarkKind::Freehand, {0, 0}, {100, 100}, 2);
    stroke.points = std::vector<Point>{{0, 0}, {100, 0}, {100, 100}};
    EXPECT_TRUE(hitMark({stroke}, {}, std::nullopt, kOutput, {50, 5}, 1));
    EXPECT_FALSE(hitMark({stroke}, {}, std::nullopt, kOutput, {30, 70}, 1));
}

TEST(HitMarkTest, TopmostMarkWins) {
    const Mark under = makeMark(MarkKind::Rectangle, {0, 0}, {100, 100});
    const Mark over = makeMark(MarkKind::Rectangle, {50, 50}, {150, 150});
    EXPECT_EQ(hitMark({under, over}, {}, std::nullopt, kOutput, {75, 75}, 1), over.id);
    EXPECT_EQ(hitMark({under, over}, {}, std::nullopt, kOutput, {20, 20}, 1), under.id);
    EXPECT_EQ(hitMark({under, over}, {}, std::nullopt, kOutput, {300, 20}, 1), std::nullopt);
}

TEST(HitMarkTest, BadgeHitsOnlyForNumberedNonRedactionsInsideTheOutput) {
    Mark line = makeMark(MarkKind::Line, {200, 200}, {300, 200});
    Mark redaction = makeMark(MarkKind::Redact, {200, 100}, {300, 150});
    const Point lineBadge = badgeRect(line, std::nullopt).center() + Point{0, -12};
    const Point redactionBadge = badgeRect(redaction, std::nullopt).origin() + Point{1, 1};
    EXPECT_FALSE(hitMark({line}, {}, std::nullopt, kOutput, lineBadge, 1));
    EXPECT_EQ(hitMark({line}, {{line.id, 1}}, std::nullopt, kOutput, lineBadge, 1), line.id);
    EXPECT_FALSE(hitMark({line}, {{line.id, 1}}, std::nullopt, {0, 0, 100, 100}, lineBadge, 1));
    EXPECT_FALSE(
        hitMark({redaction}, {{redaction.id, 1}}, std::nullopt, kOutput, redactionBadge, 1));
}

TEST(GrabsHandleTest, WithinTenViewPointsOfTheEnd) {
    const Mark mark = makeMark(MarkKind::Rectangle, {0, 0}, {100, 100});
    EXPECT_TRUE(grabsHandle(mark, {106, 108}, 1));
    EXPECT_FALSE(grabsHandle(mark, {108, 108}, 1));
    EXPECT_FALSE(grabsHandle(mark, {106, 108}, 2));
}

} // namespace
} // namespace lumbex
