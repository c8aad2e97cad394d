#include "capture/capture_coordinates.h"
#include "capture/capture_region_coding.h"
#include "core/error.h"
#include "support/qt_printers.h"
#include "support/thrown_message.h"

#include <gtest/gtest.h>
#include <limits>

namespace lumbex {
namespace {

const QString setupChanged = QStringLiteral("The display setup changed. Select an area again.");
const QString repeatSetupChanged =
    QStringLiteral("The display setup changed. Select an area again before repeating it.");
const QString tooSmall = QStringLiteral("Select an area at least 2 × 2 points.");
const QString outside =
    QStringLiteral("The saved area is outside the connected displays. Select an area again.");
const QString tooLarge =
    QStringLiteral("The expanded image is too large. Move the outer annotation closer or reduce "
                   "the background padding (120 megapixels maximum).");

CaptureDisplay display(const QString& id, Rect frame, bool isMain, double scale = 1) {
    return {id, frame, frame, scale, 0, isMain};
}

// Two displays side by side, the main one on the right, its desktop frame shifted against its
// capture frame so that a translation is visible.
std::vector<CaptureDisplay> shiftedPair() {
    CaptureDisplay main = display(QStringLiteral("B"), {1920, 0, 1280, 1024}, true);
    main.cocoaFrame = {2020, 50, 1280, 1024};
    return {display(QStringLiteral("A"), {0, 0, 1920, 1080}, false), main};
}

TEST(CaptureCoordinates, ConvertThroughTheMainDisplayAndQuartzRectsBecomeIntegral) {
    struct Row {
        Rect cocoa;
        Rect quartz;
    } rows[] = {
        {{2020, 50, 300, 200}, {1920, 0, 300, 200}},
        {{2030.5, 60.25, 10, 10}, {1930, 10, 11, 11}}, // grows to whole points
        {{100, 100, -50, -20}, {-50, 30, 50, 20}},     // negative sizes standardised first
        {{2020.2, 50.7, 300.6, 200.1}, {1920, 0, 301, 201}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(quartzRect(row.cocoa, shiftedPair()), row.quartz);
        const Rect back = *cocoaRect(row.quartz, shiftedPair());
        EXPECT_EQ(quartzRect(back, shiftedPair()), row.quartz) << "round trip";
    }
    EXPECT_EQ(cocoaRect({1930.5, 10, 4, 4}, shiftedPair()), (Rect{2030.5, 60, 4, 4}))
        << "desktop rectangles are not made integral";
}

TEST(CaptureCoordinates, WithoutAMainDisplayOrAFiniteRectangleNothingConverts) {
    std::vector<CaptureDisplay> noMain = shiftedPair();
    noMain[1].isMain = false;
    EXPECT_EQ(test::thrownMessage([&] { quartzRect({0, 0, 10, 10}, noMain); }), setupChanged);
    EXPECT_EQ(test::thrownMessage([&] { quartzRect({0, 0, 10, 10}, {}); }), setupChanged);
    EXPECT_EQ(test::thrownMessage([&] {
                  quartzRect({std::numeric_limits<double>::infinity(), 0, 10, 10}, shiftedPair());
              }),
              setupChanged);
    EXPECT_FALSE(cocoaRect({0, 0, 10, 10}, noMain));
}

TEST(CaptureCoordinates, TheFirstMainDisplayDecides) {
    std::vector<CaptureDisplay> displays = shiftedPair();
    displays[0].isMain = true; // listed first, no shift
    EXPECT_EQ(quartzRect({2020, 50, 10, 10}, displays), (Rect{2020, 50, 10, 10}));
}

TEST(CaptureRegion, ValidationReportsTheFirstBrokenRule) {
    const std::vector<CaptureDisplay> pair = sortedDisplays(shiftedPair());
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<CaptureDisplay> unplugged = {pair[0]};
    std::vector<CaptureDisplay> moved = pair;
    moved[1].quartzFrame.x += 1;
    struct Row {
        const char* name;
        CaptureRegion region;
        std::vector<CaptureDisplay> current;
        QString message;
    } rows[] = {
        {"inside one display", {{10, 20, 300, 200}, pair}, pair, {}},
        {"across both displays", {{1800, 100, 300, 200}, pair}, pair, {}},
        {"exactly 2 × 2", {{0, 0, 2, 2}, pair}, pair, {}},
        {"display unplugged", {{10, 20, 300, 200}, pair}, unplugged, repeatSetupChanged},
        {"display moved", {{10, 20, 300, 200}, pair}, moved, repeatSetupChanged},
        {"order differs", {{10, 20, 300, 200}, {pair[1], pair[0]}}, pair, repeatSetupChanged},
        {"too narrow", {{10, 20, 1.5, 200}, pair}, pair, tooSmall},
        {"not finite", {{nan, 20, 100, 200}, pair}, pair, tooSmall},
        {"touching only an edge", {{3200, 0, 50, 50}, pair}, pair, outside},
        // The displays' bounding rectangle counts, gaps included.
        {"partly below the shorter display", {{3100, 1000, 50, 50}, pair}, pair, {}},
        {"wholly below the shorter display", {{3100, 1030, 50, 40}, pair}, pair, outside},
        {"past the bottom", {{100, 1060, 50, 40}, pair}, pair, outside},
    };
    for (const Row& row : rows)
        EXPECT_EQ(test::thrownMessage([&] { validateRegion(row.region, row.current); }),
                  row.message)
            << row.name;
}

TEST(CaptureRegion, PixelsCountAtTheLargestScaleOfTheDisplaysTouched) {
    std::vector<CaptureDisplay> displays = {
        display(QStringLiteral("A"), {0, 0, 20000, 10000}, true, 1),
        display(QStringLiteral("B"), {20000, 0, 20000, 10000}, false, 2)};
    // 12000 × 10000 passes at scale 1; 6000 × 5000 at scale 2 passes, 6001 × 5000 does not, nor
    // 6000 × 5001 with one column on the scale-1 display.
    const std::pair<Rect, QString> rows[] = {{{0, 0, 12000, 10000}, {}},
                                             {{20000, 0, 6000, 5000}, {}},
                                             {{20000, 0, 6001, 5000}, tooLarge},
                                             {{19999, 0, 6000, 5001}, tooLarge}};
    for (const auto& [rect, message] : rows) {
        const CaptureRegion region{rect, displays};
        EXPECT_EQ(test::thrownMessage([&] { validateRegion(region, displays); }), message)
            << rect.x;
    }
}

TEST(CaptureRegion, MadeFromADesktopRectangleWithTheDisplaysSorted) {
    const CaptureRegion region = makeCaptureRegion({2020.4, 50, 99.2, 80}, shiftedPair());
    EXPECT_EQ(region.rect, (Rect{1920, 0, 100, 80}));
    ASSERT_EQ(region.displays.size(), 2u);
    EXPECT_EQ(region.displays[0].id, u"A");
    EXPECT_EQ(test::thrownMessage([&] {
                  makeCaptureRegion({2020, 50, 1, 1}, shiftedPair());
              }),
              tooSmall)
        << "a click without a drag";
}

TEST(CaptureRegion, SortingDisplaysKeepsTheOrderOfEqualIds) {
    const std::vector<CaptureDisplay> sorted =
        sortedDisplays({display(QStringLiteral("b"), {0, 0, 1, 1}, false),
                        display(QStringLiteral("a"), {1, 0, 1, 1}, false),
                        display(QStringLiteral("b"), {2, 0, 1, 1}, true)});
    ASSERT_EQ(sorted.size(), 3u);
    EXPECT_EQ(sorted[0].id, u"a");
    EXPECT_EQ(sorted[1].quartzFrame.x, 0);
    EXPECT_EQ(sorted[2].quartzFrame.x, 2);
}

TEST(CaptureRegionCoding, RoundTripsExactlyAndRejectsDamage) {
    std::vector<CaptureDisplay> displays = shiftedPair();
    displays[0].scale = 1.5;
    displays[0].rotation = 90;
    const CaptureRegion region{{10.25, -20, 300, 200.5}, displays};
    const QByteArray json = encodeCaptureRegion(region);
    EXPECT_EQ(decodeCaptureRegion(json), region);
    EXPECT_TRUE(json.startsWith(R"({"displays":[{"cocoaFrame":[[0,0],[1920,1080]],"id":"A")"))
        << json.toStdString();

    EXPECT_EQ(test::thrownMessage([] { decodeCaptureRegion(R"({"displays":[]})"); }),
              QStringLiteral("rect: required value is missing"));
    EXPECT_EQ(test::thrownMessage(
                  [] { decodeCaptureRegion(R"({"rect":[[0,0],[1,1]],"displays":[{"id":3}]})"); }),
              QStringLiteral("displays[0].id: expected a string"));
    EXPECT_FALSE(test::thrownMessage([] { decodeCaptureRegion("not json"); }).isEmpty());
}

} // namespace
} // namespace lumbex
