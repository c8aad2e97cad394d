#include "core/error.h"
#include "geometry/mark_geometry.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>
#include <limits>

namespace lumbex {
namespace {

Media image(qint64 width, qint64 height, std::optional<Rect> crop = std::nullopt,
            std::optional<double> padding = std::nullopt) {
    Media media;
    media.id = newId();
    media.width = width;
    media.height = height;
    media.crop = crop;
    if (padding) {
        media.background = ImageBackground{};
        media.background->padding = *padding;
    }
    return media;
}

// An arrow on a 200 × 100 image whose tip is 30 pixels left of the image; its 4-pixel line
// adds an outset of 3.
Mark arrowOutLeft() {
    return makeMark(MarkKind::Arrow, {50, 50}, {-30, 50}, 4);
}

TEST(OutputRect, IsTheVisibleRectGrownByMarksThenPadding) {
    const Mark outside = makeMark(MarkKind::Rectangle, {-10, -10}, {50, 50}, 2);
    const Mark fractional = makeMark(MarkKind::Rectangle, {10, 10}, {120.2, 30}, 1);
    const Mark pointer = makeMark(MarkKind::Pointer, {5, 5}, {5, 5});
    struct Case {
        const char* name;
        Media media;
        std::vector<Mark> marks;
        MarkNumbers numbers;
        Rect expected;
    };
    const Case cases[] = {
        {"plain image", image(100, 50), {}, {}, {0, 0, 100, 50}},
        {"arrow head out to the left", image(200, 100), {arrowOutLeft()}, {}, {-33, 0, 233, 100}},
        {"marks do not grow a cropped image",
         image(200, 100, Rect{0, 0, 200, 100}),
         {arrowOutLeft()},
         {},
         {0, 0, 200, 100}},
        {"a crop is rounded out",
         image(200, 100, Rect{10.5, 20.25, 50, 30}),
         {arrowOutLeft()},
         {},
         {10, 20, 51, 31}},
        {"padding around the crop",
         image(100, 50, Rect{10, 10, 50, 30}, 20),
         {outside},
         {},
         {-10, -10, 90, 70}},
        {"padding after the marks",
         image(100, 50, std::nullopt, 10),
         {outside},
         {},
         {-22, -22, 132, 84}},
        {"fractional marks round out", image(100, 50), {fractional}, {}, {0, 0, 122, 50}},
        {"unnumbered pointer stays inside", image(100, 50), {pointer}, {}, {0, 0, 100, 50}},
        {"numbered pointer's badge outside",
         image(100, 50),
         {pointer},
         {{pointer.id, 3}},
         {-33, -33, 133, 83}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(outputRect(c.media, c.marks, c.numbers), c.expected) << c.name;
}

struct SizeCase {
    const char* name;
    Rect rect;
    bool usable;
};

TEST(ValidateSize, RejectsEmptyNonFiniteAndOversizedRects) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const SizeCase cases[] = {
        {"120 000 000 pixels", {0, 0, 12000, 10000}, true},
        {"120 012 000 pixels", {0, 0, 12000, 10001}, false},
        {"widest", {0, 0, 32768, 1}, true},
        {"too wide", {0, 0, 32769, 1}, false},
        {"too tall", {0, 0, 1, 32769}, false},
        {"fractional", {0.5, 0.5, 0.5, 0.5}, true},
        {"zero width", {0, 0, 0, 10}, false},
        {"NaN width", {0, 0, nan, 10}, false},
        {"infinite origin", {0, -infinity, 10, 10}, false},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.usable) {
            EXPECT_NO_THROW(validateSize(c.rect));
            continue;
        }
        try {
            validateSize(c.rect);
            ADD_FAILURE() << "accepted";
        } catch (const LumbexError& error) {
            EXPECT_EQ(error.message(),
                      "The expanded image is too large. Move the outer annotation closer or reduce "
                      "the background padding (120 megapixels maximum).");
        }
    }
}

} // namespace
} // namespace lumbex
