#include "platform/copied_screen.h"
#include "support/qt_printers.h"
#include "support/same_pixels.h"

#include <gtest/gtest.h>
#include <set>

namespace lumbex {
namespace {

// Each output's picture encodes where each pixel is: red tells the output, green and blue the
// pixel's place in it, so that a picture put together from the wrong parts shows.
QImage outputPicture(size_t index, QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(int(40 * index + 10), x & 255, y & 255));
    return picture;
}

// A compositor's outputs and their copies, as the test sets them.
class FakeCopier final : public OutputCopier {
public:
    struct Setup {
        std::vector<WaylandOutput> outputs;
        bool offered = true;
        std::set<QString> failing; // whose copies fail
        QSize shrink{0, 0};        // taken off every picture's size
        // The outputs by the time of the copy, when they changed since the layout was read.
        std::optional<std::vector<WaylandOutput>> outputsAtCopy;
    };

    explicit FakeCopier(Setup setup, std::vector<QStringList>* asked)
        : setup_(std::move(setup)), asked_(asked) {}

    std::optional<std::vector<WaylandOutput>> outputs() override {
        if (!setup_.offered)
            return std::nullopt;
        return setup_.outputs;
    }

    std::optional<OutputCopies> copy(const QStringList& names) override {
        asked_->push_back(names);
        if (!setup_.offered)
            return std::nullopt;
        OutputCopies copies{setup_.outputsAtCopy.value_or(setup_.outputs), {}};
        for (const QString& name : names) {
            QImage picture;
            for (size_t i = 0; i < copies.outputs.size(); ++i) {
                const WaylandOutput& o = copies.outputs[i];
                if (o.name == name && !setup_.failing.count(name))
                    picture = outputPicture(i, o.logical.size() * o.scale - setup_.shrink);
            }
            copies.pictures.push_back(picture);
        }
        return copies;
    }

private:
    Setup setup_;
    std::vector<QStringList>* asked_;
};

WaylandOutput output(const char* name, QRect logical, int scale = 1) {
    return {QString::fromLatin1(name), logical, 0, scale, 0};
}

// A 64 × 40 output with a 32 × 24 one to its right; below the second is on no output.
const std::vector<WaylandOutput> kSideBySide = {output("A", QRect(0, 0, 64, 40)),
                                                output("B", QRect(64, 0, 32, 24))};
const ScreenDisplay kDisplayA{"A", QRect(0, 0, 64, 40), 0, true};
const ScreenDisplay kDisplayB{"B", QRect(64, 0, 32, 24), 0, false};

// The whole desktop as the portal's picture shows it (black off the outputs).
QImage desktop(const std::vector<WaylandOutput>& outputs) {
    QImage picture(desktopPictureSize(outputs), QImage::Format_RGB32);
    picture.fill(Qt::black);
    const std::vector<ScreenDisplay> displays = displaysInPicture(outputs, picture.size());
    for (size_t i = 0; i < outputs.size(); ++i)
        for (int y = 0; y < displays[i].geometry.height(); ++y)
            for (int x = 0; x < displays[i].geometry.width(); ++x)
                picture.setPixel(displays[i].geometry.topLeft() + QPoint(x, y),
                                 qRgb(int(40 * i + 10), x & 255, y & 255));
    return picture;
}

TEST(CopiedScreen, TheLayoutIsThePortalsPictureOfTheOutputs) {
    struct Row {
        const char* what;
        FakeCopier::Setup setup;
        std::optional<std::vector<ScreenDisplay>> expected;
    } rows[] = {
        {"side by side", {kSideBySide}, std::vector{kDisplayA, kDisplayB}},
        {"at the largest scale",
         {{output("A", QRect(0, 0, 64, 40)), output("B", QRect(64, 0, 16, 12), 2)}},
         std::vector<ScreenDisplay>{{"A", QRect(0, 0, 128, 80), 0, true},
                                    {"B", QRect(128, 0, 32, 24), 0, false}}},
        {"no copies offered", {kSideBySide, false}, std::nullopt},
        {"mirrored outputs, which the portal shows as one picture",
         {{output("A", QRect(0, 0, 64, 40)), output("B", QRect(0, 0, 64, 40))}},
         std::nullopt},
        {"no outputs", {{}}, std::nullopt},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<QStringList> asked;
        CopiedScreen screen(std::make_unique<FakeCopier>(row.setup, &asked));
        EXPECT_EQ(screen.displays(), row.expected);
        EXPECT_TRUE(asked.empty()) << "the layout copies nothing";
    }
}

TEST(CopiedScreen, GrabsReadOnlyTheOutputsTheyNeed) {
    const QImage whole = desktop(kSideBySide);
    struct Row {
        const char* what;
        std::vector<ScreenDisplay> displays; // or else
        QRect area;
        QStringList asked;
    } rows[] = {
        {"the second display", {kDisplayB}, {}, {"B"}},
        {"both displays", {kDisplayA, kDisplayB}, {}, {"A", "B"}},
        {"an area on the first", {}, QRect(2, 3, 10, 10), {"A"}},
        {"an area across the shared edge", {}, QRect(60, 10, 10, 10), {"A", "B"}},
        {"an area that is all of the second", {}, QRect(64, 0, 32, 24), {"B"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<QStringList> asked;
        CopiedScreen screen(std::make_unique<FakeCopier>(FakeCopier::Setup{kSideBySide}, &asked));
        if (!row.displays.empty()) {
            const std::optional<std::vector<ScreenGrab>> grabs = screen.grabDisplays(row.displays);
            ASSERT_TRUE(grabs);
            ASSERT_EQ(grabs->size(), row.displays.size());
            for (size_t i = 0; i < grabs->size(); ++i) {
                EXPECT_EQ((*grabs)[i].origin, row.displays[i].geometry.topLeft());
                EXPECT_TRUE(
                    test::samePixels((*grabs)[i].image, whole.copy(row.displays[i].geometry)));
            }
        } else {
            const std::optional<ScreenGrab> grab = screen.grabArea(row.area);
            ASSERT_TRUE(grab);
            EXPECT_EQ(grab->origin, row.area.topLeft());
            EXPECT_TRUE(test::samePixels(grab->image, whole.copy(row.area)));
        }
        EXPECT_EQ(asked, std::vector<QStringList>{row.asked});
    }
}

// Whatever the copies cannot give exactly as the portal would answers nothing, for the portal to
// take over.
TEST(CopiedScreen, WhatCopiesCannotGiveExactlyIsLeftToThePortal) {
    const std::vector<WaylandOutput> mixedScales = {output("A", QRect(0, 0, 64, 40)),
                                                    output("B", QRect(64, 0, 16, 12), 2)};
    const ScreenDisplay scaledA{"A", QRect(0, 0, 128, 80), 0, true};
    const ScreenDisplay scaledB{"B", QRect(128, 0, 32, 24), 0, false};
    struct Row {
        const char* what;
        FakeCopier::Setup setup;
        std::vector<ScreenDisplay> displays; // or else
        QRect area;
        bool answered;
    } rows[] = {
        {"a copy that fails", {kSideBySide, true, {"B"}}, {kDisplayA, kDisplayB}, {}, false},
        {"an area on an output whose copy fails",
         {kSideBySide, true, {"A"}},
         {},
         QRect(2, 2, 4, 4),
         false},
        {"no copies offered", {kSideBySide, false}, {kDisplayA}, {}, false},
        {"a picture of another size", {kSideBySide, true, {}, QSize(1, 0)}, {kDisplayA}, {}, false},
        {"a display moved since",
         {kSideBySide,
          true,
          {},
          {},
          std::vector{kSideBySide[0], output("B", QRect(64, 8, 32, 24))}},
         {kDisplayB},
         {},
         false},
        {"an output below the picture's scale, enlarged in the portal's picture",
         {mixedScales},
         {scaledA},
         {},
         false},
        {"the output at the picture's scale", {mixedScales}, {scaledB}, {}, true},
        {"an area across outputs of different scales",
         {mixedScales},
         {},
         QRect(120, 0, 16, 16),
         false},
        {"an area inside the scale-2 output", {mixedScales}, {}, QRect(130, 2, 16, 16), true},
        {"an area partly on no output", {kSideBySide}, {}, QRect(60, 20, 10, 10), false},
        {"an area beyond the desktop", {kSideBySide}, {}, QRect(90, 0, 10, 10), false},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<QStringList> asked;
        CopiedScreen screen(std::make_unique<FakeCopier>(row.setup, &asked));
        const bool answered = row.displays.empty() ? screen.grabArea(row.area).has_value()
                                                   : screen.grabDisplays(row.displays).has_value();
        EXPECT_EQ(answered, row.answered);
    }
}

} // namespace
} // namespace lumbex
