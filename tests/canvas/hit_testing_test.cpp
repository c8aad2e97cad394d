#include "canvas/hit_testing.h"
#include "geometry/mark_geometry.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

const Rect kOutput{0, 0, 400, 300};

// Strokes reach 8/zoom + lineWidth/2 (here 2) from their segment; boxes their rect outset by
// 8/zoom; ellipses the ellipse inscribed in the rect outset by 8/zoom + 2.
TEST(HitMarkTest, UsesTheKindsShapeWithEightPointsOfTolerance) {
    using enum MarkKind;
    const struct {
        MarkKind kind;
        Point start;
        Point end;
        double zoom;
        Point probe;
        bool hit;
    } rows[] = {
        // Line: within reach, just out of reach, beyond its end (clamped to the end), zoomed out.
        {Line, {10, 10}, {110, 10}, 1, {60, 19.9}, true},
        {Line, {10, 10}, {110, 10}, 1, {60, 20}, false},
        {Line, {10, 10}, {110, 10}, 1, {125, 10}, false},
        {Line, {10, 10}, {110, 10}, 0.5, {60, 27}, true},
        // Rectangle: inside, within the tolerance, outside it.
        {Rectangle, {50, 50}, {100, 100}, 1, {75, 75}, true},
        {Rectangle, {50, 50}, {100, 100}, 1, {107, 75}, true},
        {Rectangle, {50, 50}, {100, 100}, 1, {109, 75}, false},
        // Ellipse: the corner is outside, the edge within tolerance; the lens shares its shape and
        // the highlight the box's.
        {Ellipse, {50, 50}, {150, 100}, 1, {48, 48}, false},
        {Ellipse, {50, 50}, {150, 100}, 1, {159, 75}, true},
        {Magnify, {50, 50}, {150, 100}, 1, {52, 52}, false},
        {Highlight, {50, 50}, {150, 100}, 1, {52, 52}, true},
    };
    for (const auto& row : rows) {
        const Mark mark = makeMark(row.kind, row.start, row.end, 4);
        EXPECT_EQ(hitMark({mark}, {}, std::nullopt, kOutput, row.probe, row.zoom).has_value(),
                  row.hit)
            << int(row.kind) << " at " << row.probe << " zoom " << row.zoom;
    }
}

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
