#include "canvas/gesture_rules.h"
#include "support/test_marks.h"

#include <cmath>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

struct ShiftRow {
    const char* name;
    MarkKind kind;
    Point start;
    Point point;
    std::optional<Rect> crop;
    Point expected;
};

void PrintTo(const ShiftRow& row, std::ostream* out) {
    *out << row.name;
}

class ShiftConstraintTest : public ::testing::TestWithParam<ShiftRow> {};

TEST_P(ShiftConstraintTest, ConstrainsTheDrag) {
    const ShiftRow& row = GetParam();
    const Point result = shiftConstrained(row.kind, row.start, row.point, row.crop);
    EXPECT_NEAR(result.x, row.expected.x, 1e-9) << result;
    EXPECT_NEAR(result.y, row.expected.y, 1e-9) << result;
}

const double kThirtyDegrees = std::atan(1 / std::sqrt(3.0));
const Point kAt30{100 * std::cos(kThirtyDegrees), 100 * std::sin(kThirtyDegrees)};
const Point kAt20{100 * std::cos(0.349066), 100 * std::sin(0.349066)};
const double kDiagonal = 100 / std::sqrt(2.0);

INSTANTIATE_TEST_SUITE_P(
    Rows, ShiftConstraintTest,
    ::testing::Values(
        ShiftRow{"RectangleBecomesSquare", MarkKind::Rectangle, {10, 10}, {60, 30}, {}, {30, 30}},
        ShiftRow{
            "SquareFollowsTheDragDirection", MarkKind::Ellipse, {10, 10}, {-40, 40}, {}, {-20, 40}},
        ShiftRow{"RedactionBecomesSquare", MarkKind::Redact, {0, 0}, {-5, -9}, {}, {-5, -5}},
        ShiftRow{"ArrowAt30DegreesSnapsTo45",
                 MarkKind::Arrow,
                 {0, 0},
                 kAt30,
                 {},
                 {kDiagonal, kDiagonal}},
        ShiftRow{"ArrowAt20DegreesSnapsToLevel", MarkKind::Arrow, {0, 0}, kAt20, {}, {100, 0}},
        ShiftRow{"LineUpwardsSnapsToVertical",
                 MarkKind::Line,
                 {0, 0},
                 {3, -50},
                 {},
                 {0, -std::hypot(3.0, 50.0)}},
        ShiftRow{"UpwardsAt23DegreesSnapsTo45",
                 MarkKind::Line,
                 {0, 0},
                 {100 * std::cos(0.4014), -100 * std::sin(0.4014)},
                 {},
                 {kDiagonal, -kDiagonal}},
        ShiftRow{"LeftwardsSnapsToExactlyLevel",
                 MarkKind::Line,
                 {0, 0},
                 {-100, 10},
                 {},
                 {-std::hypot(100.0, 10.0), 0}},
        ShiftRow{"ShortenedToStayInsideTheCrop",
                 MarkKind::Arrow,
                 {50, 50},
                 {150, 52},
                 Rect{0, 0, 100, 100},
                 {100, 50}},
        ShiftRow{"DiagonalShortenedByTheNearerEdge",
                 MarkKind::Line,
                 {80, 50},
                 {140, 110},
                 Rect{0, 0, 100, 100},
                 {100, 70}},
        ShiftRow{"StartOutsideTheCropIsNotShortened",
                 MarkKind::Arrow,
                 {150, 50},
                 {250, 52},
                 Rect{0, 0, 100, 100},
                 {150 + std::hypot(100.0, 2.0), 50}},
        ShiftRow{"FreehandIsFree", MarkKind::Freehand, {0, 0}, {13, 7}, {}, {13, 7}},
        ShiftRow{"PointerIsFree", MarkKind::Pointer, {0, 0}, {13, 7}, {}, {13, 7}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MeasureConstraintTest, KeepsOnlyTheLargerMovement) {
    EXPECT_EQ(measureConstrained({10, 10}, {50, 20}), (Point{50, 10}));
    EXPECT_EQ(measureConstrained({10, 10}, {5, -40}), (Point{10, -40}));
}

struct CreationRow {
    const char* name;
    CanvasTool tool;
    Point start;
    Point end;
    CreationOutcome::Action action;
};

void PrintTo(const CreationRow& row, std::ostream* out) {
    *out << row.name;
}

class FinishCreationTest : public ::testing::TestWithParam<CreationRow> {};

TEST_P(FinishCreationTest, AppliesMinimumSizes) {
    const CreationRow& row = GetParam();
    Mark draft = newDraft(row.tool, newId(), row.start, {});
    draft.end = row.end;
    if (draft.points)
        draft.points->push_back(row.end);
    EXPECT_EQ(finishCreation(row.tool, draft).action, row.action);
}

using Action = CreationOutcome::Action;
INSTANTIATE_TEST_SUITE_P(
    Rows, FinishCreationTest,
    ::testing::Values(
        CreationRow{"PointerClickSurvives", CanvasTool::Pointer, {5, 5}, {5, 5}, Action::AddMark},
        CreationRow{
            "RectangleClickIsDiscarded", CanvasTool::Rectangle, {5, 5}, {5, 5}, Action::Discard},
        CreationRow{
            "NarrowRectangleIsKept", CanvasTool::Rectangle, {0, 0}, {2, 10}, Action::AddMark},
        CreationRow{
            "NarrowEllipseIsDiscarded", CanvasTool::Ellipse, {0, 0}, {2, 10}, Action::Discard},
        CreationRow{
            "NarrowHighlightIsDiscarded", CanvasTool::Highlight, {0, 0}, {10, 2}, Action::Discard},
        CreationRow{
            "NarrowLensIsDiscarded", CanvasTool::Magnify, {0, 0}, {10, 2.9}, Action::Discard},
        CreationRow{
            "ThreeByThreeEllipseIsKept", CanvasTool::Ellipse, {0, 0}, {3, 3}, Action::AddMark},
        CreationRow{"LevelLineIsKept", CanvasTool::Line, {0, 0}, {3, 0}, Action::AddMark},
        CreationRow{
            "ShortArrowIsDiscarded", CanvasTool::Arrow, {0, 0}, {2.9, 2.9}, Action::Discard},
        CreationRow{
            "TinyRedactionIsDiscarded", CanvasTool::Redact, {0, 0}, {2, 2}, Action::Discard},
        CreationRow{"FlatFreehandIsKept", CanvasTool::Freehand, {0, 0}, {10, 0}, Action::AddMark},
        CreationRow{
            "FreehandDotIsDiscarded", CanvasTool::Freehand, {4, 4}, {5, 5}, Action::Discard},
        CreationRow{"TextClickAsksForText", CanvasTool::Text, {5, 5}, {5, 5}, Action::AddText},
        CreationRow{"TwoByTwoCropApplies", CanvasTool::Crop, {0, 0}, {2, 2}, Action::SetCrop},
        CreationRow{"ThinCropIsIgnored", CanvasTool::Crop, {0, 0}, {1.5, 40}, Action::Discard}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FinishCreationTest, TextClickBecomesA240By64Box) {
    Mark draft = newDraft(CanvasTool::Text, newId(), {30, 40}, {});
    draft.end = {60, 45};
    const CreationOutcome outcome = finishCreation(CanvasTool::Text, draft);
    EXPECT_EQ(outcome.mark.start, (Point{30, 40}));
    EXPECT_EQ(outcome.mark.end, (Point{270, 104}));

    draft.end = {90, 45};
    EXPECT_EQ(finishCreation(CanvasTool::Text, draft).mark.end, (Point{90, 45}));
}

TEST(FinishCreationTest, CropIsRoundedOutwardsToWholePixels) {
    Mark draft = newDraft(CanvasTool::Crop, newId(), {10.6, 20.2}, {});
    draft.end = {4.5, 50.5};
    const CreationOutcome outcome = finishCreation(CanvasTool::Crop, draft);
    EXPECT_EQ(outcome.crop, (Rect{4, 20, 7, 31}));
}

TEST(FinishCreationTest, LensLooksAtItsOwnCentre) {
    Mark draft = newDraft(CanvasTool::Magnify, newId(), {10, 20}, {});
    draft.end = {50, 80};
    EXPECT_EQ(finishCreation(CanvasTool::Magnify, draft).mark.magnificationCenter, (Point{30, 50}));
}

TEST(FinishCreationTest, FreehandTakesItsBoundingBoxCorners) {
    Mark draft = newDraft(CanvasTool::Freehand, newId(), {50, 50}, {});
    draft.points = std::vector<Point>{{50, 50}, {20, 80}, {70, 10}, {40, 40}};
    draft.end = {40, 40};
    const Mark mark = finishCreation(CanvasTool::Freehand, draft).mark;
    EXPECT_EQ(mark.start, (Point{20, 10}));
    EXPECT_EQ(mark.end, (Point{70, 80}));
}

TEST(NewDraftTest, TakesTheEditorsDefaultsForItsKind) {
    const DrawingDefaults defaults{QStringLiteral("#FF0000"), 5, 0.5, 4};
    const Id media = newId();
    const Mark highlight = newDraft(CanvasTool::Highlight, media, {1, 2}, defaults);
    EXPECT_EQ(highlight.kind, MarkKind::Highlight);
    EXPECT_EQ(highlight.mediaID, media);
    EXPECT_EQ(highlight.color, QStringLiteral("#FF0000"));
    EXPECT_EQ(highlight.lineWidth, 5);
    EXPECT_EQ(highlight.opacity, 0.5);
    EXPECT_FALSE(highlight.magnification);

    const Mark lens = newDraft(CanvasTool::Magnify, media, {1, 2}, defaults);
    EXPECT_EQ(lens.magnification, 4);
    EXPECT_FALSE(lens.opacity);

    const Mark stroke = newDraft(CanvasTool::Freehand, media, {1, 2}, defaults);
    EXPECT_EQ(stroke.points, (std::vector<Point>{{1, 2}}));
    EXPECT_EQ(newDraft(CanvasTool::Crop, media, {1, 2}, defaults).kind, MarkKind::Rectangle);
    EXPECT_NE(newDraft(CanvasTool::Arrow, media, {0, 0}, defaults).id,
              newDraft(CanvasTool::Arrow, media, {0, 0}, defaults).id);
}

TEST(VoiceLocationTest, ADragOfFourViewPointsMarksANewPlace) {
    Mark draft = newDraft(CanvasTool::Pointer, newId(), {0, 0}, {});
    draft.end = {2, 1};
    EXPECT_TRUE(definesVoiceLocation(draft, 2));
    EXPECT_FALSE(definesVoiceLocation(draft, 1.5));
}

TEST(TextRecognitionRegionTest, NeedsTwoByTwoPixels) {
    Mark draft = newDraft(CanvasTool::Rectangle, newId(), {10, 10}, {});
    draft.end = {12, 30};
    EXPECT_EQ(textRecognitionRegion(draft), (Rect{10, 10, 2, 20}));
    draft.end = {11, 30};
    EXPECT_FALSE(textRecognitionRegion(draft));
}

} // namespace
} // namespace lumbex
