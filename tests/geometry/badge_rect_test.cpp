#include "geometry/mark_geometry.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct BadgeCase {
    const char* name;
    MarkKind kind;
    Point start, end;
    std::optional<Rect> crop;
    Point centre;
};

TEST(BadgeRect, IsATwentySixPixelSquareCentredOnItsPlace) {
    const Rect page{0, 0, 200, 200};
    const BadgeCase cases[] = {
        // A pointer's badge sits up and left of the point.
        {"pointer without crop", MarkKind::Pointer, {100, 100}, {100, 100}, std::nullopt, {76, 76}},
        {"pointer near the corner without crop",
         MarkKind::Pointer,
         {5, 5},
         {5, 5},
         std::nullopt,
         {-19, -19}},
        {"pointer with room in the crop",
         MarkKind::Pointer,
         {100, 100},
         {100, 100},
         page,
         {76, 76}},
        {"pointer anchored at its rect's top-left",
         MarkKind::Pointer,
         {140, 130},
         {100, 100},
         page,
         {76, 76}},
        // Near the crop's top or left edge it flips below or right of the point.
        {"flips below near the top", MarkKind::Pointer, {100, 30}, {100, 30}, page, {76, 54}},
        {"flips right near the left", MarkKind::Pointer, {30, 100}, {30, 100}, page, {54, 76}},
        {"flips both in the corner", MarkKind::Pointer, {0, 0}, {0, 0}, page, {24, 24}},
        {"just enough room stays", MarkKind::Pointer, {38, 38}, {38, 38}, page, {14, 14}},
        {"one pixel short flips", MarkKind::Pointer, {37.5, 38}, {37.5, 38}, page, {61.5, 14}},
        {"crop away from the origin",
         MarkKind::Pointer,
         {520, 310},
         {520, 310},
         Rect{500, 300, 200, 200},
         {544, 334}},
        // A flipped badge is then clamped inside a small crop.
        {"clamped in a small crop",
         MarkKind::Pointer,
         {30, 30},
         {30, 30},
         Rect{0, 0, 60, 60},
         {46, 46}},
        // A crop too small for the badge centres it on that axis.
        {"narrow crop centres x",
         MarkKind::Pointer,
         {110, 100},
         {110, 100},
         Rect{100, 0, 20, 200},
         {110, 76}},
        {"low crop centres y",
         MarkKind::Pointer,
         {100, 110},
         {100, 110},
         Rect{0, 100, 200, 20},
         {76, 110}},
        {"tiny crop centres both",
         MarkKind::Pointer,
         {101, 101},
         {101, 101},
         Rect{100, 100, 10, 27.5},
         {105, 113.75}},
        // A point outside the crop (whose max edges are outside) is left alone.
        {"point outside the crop", MarkKind::Pointer, {250, 10}, {250, 10}, page, {226, -14}},
        {"point on the crop's right edge",
         MarkKind::Pointer,
         {200, 10},
         {200, 10},
         page,
         {176, -14}},
        {"point on the crop's bottom edge",
         MarkKind::Pointer,
         {10, 200},
         {10, 200},
         page,
         {-14, 176}},
        // Other kinds centre the badge on their anchor, whatever the crop.
        {"rectangle at its top-left", MarkKind::Rectangle, {50, 60}, {10, 20}, page, {10, 20}},
        {"highlight at its top-left", MarkKind::Highlight, {0, 0}, {40, 40}, page, {0, 0}},
        {"arrow at its start", MarkKind::Arrow, {50, 60}, {10, 20}, page, {50, 60}},
        {"text at its top-left", MarkKind::Text, {-30, 5}, {60, 80}, std::nullopt, {-30, 5}},
    };
    for (const BadgeCase& c : cases)
        EXPECT_EQ(badgeRect(makeMark(c.kind, c.start, c.end), c.crop),
                  Rect::centered(c.centre, 26, 26))
            << c.name;
}

TEST(BadgeRect, FreehandAnchorsAtItsPoints) {
    Mark mark = makeMark(MarkKind::Freehand, {0, 0}, {0, 0});
    mark.points = std::vector<Point>{{40, 70}, {20, 90}, {60, 50}};
    EXPECT_EQ(badgeRect(mark, std::nullopt), Rect::centered({20, 50}, 26, 26));
}

} // namespace
} // namespace lumbex
