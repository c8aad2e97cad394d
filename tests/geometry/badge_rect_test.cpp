#include "geometry/mark_geometry.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

const Rect kPage{0, 0, 200, 200};

Rect badgeAt(Point centre) {
    return Rect::centered(centre, 26, 26);
}

TEST(BadgeRect, PointerBadgeSitsUpLeftThenFlipsClampsOrCentresInsideTheCrop) {
    const struct {
        Point point;
        std::optional<Rect> crop;
        Point centre;
    } cases[] = {
        {{5, 5}, std::nullopt, {-19, -19}},
        {{100, 100}, kPage, {76, 76}},
        {{37.5, 38}, kPage, {61.5, 14}},
        {{30, 30}, Rect{0, 0, 60, 60}, {46, 46}},
        {{101, 101}, Rect{100, 100, 10, 27.5}, {105, 113.75}},
        // The crop's max edges are outside it, so a point there is left alone.
        {{200, 10}, kPage, {176, -14}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(badgeRect(makeMark(MarkKind::Pointer, c.point, c.point), c.crop),
                  badgeAt(c.centre))
            << c.point;
}

TEST(BadgeRect, OtherKindsCentreOnTheirAnchorWhateverTheCrop) {
    const struct {
        MarkKind kind;
        Point start, end, centre;
    } cases[] = {
        {MarkKind::Pointer, {140, 130}, {100, 100}, {76, 76}},
        {MarkKind::Rectangle, {50, 60}, {10, 20}, {10, 20}},
        {MarkKind::Arrow, {50, 60}, {10, 20}, {50, 60}},
        {MarkKind::Text, {-30, 5}, {60, 80}, {-30, 5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(badgeRect(makeMark(c.kind, c.start, c.end), kPage), badgeAt(c.centre))
            << int(c.kind);
}

TEST(BadgeRect, FreehandAnchorsAtItsPoints) {
    Mark mark = makeMark(MarkKind::Freehand, {0, 0}, {0, 0});
    mark.points = std::vector<Point>{{40, 70}, {20, 90}, {60, 50}};
    EXPECT_EQ(badgeRect(mark, std::nullopt), badgeAt({20, 50}));
}

} // namespace
} // namespace lumbex
