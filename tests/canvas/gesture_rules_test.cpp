#include "canvas/gesture_rules.h"
#include "support/test_marks.h"

#include <cmath>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

const double kDiagonal = 100 / std::sqrt(2.0);

TEST(ShiftConstraintTest, SquaresBoxesSnapsStrokesTo45DegreesAndKeepsThemInTheCrop) {
    using enum MarkKind;
    const Rect crop{0, 0, 100, 100};
    const Point at20{100 * std::cos(0.349066), 100 * std::sin(0.349066)};
    const Point upAt23{100 * std::cos(0.4014), -100 * std::sin(0.4014)};
    const struct {
        MarkKind kind;
        Point start;
        Point point;
        std::optional<Rect> crop;
        Point expected;
    } rows[] = {
        // Boxes become squares that follow the drag direction.
        {Ellipse, {10, 10}, {-40, 40}, {}, {-20, 40}},
        {Redact, {0, 0}, {-5, -9}, {}, {-5, -5}},
        // Strokes snap to the nearest 45 degrees, keeping their length.
        {Arrow, {0, 0}, at20, {}, {100, 0}},
        {Line, {0, 0}, upAt23, {}, {kDiagonal, -kDiagonal}},
        // ...then are shortened by the nearer crop edge, unless they start outside it.
        {Arrow, {50, 50}, {150, 52}, crop, {100, 50}},
        {Line, {80, 50}, {140, 110}, crop, {100, 70}},
        {Arrow, {150, 50}, {250, 52}, crop, {150 + std::hypot(100.0, 2.0), 50}},
        // Freehand is free.
        {Freehand, {0, 0}, {13, 7}, {}, {13, 7}},
    };
    for (const auto& row : rows) {
        const Point result = shiftConstrained(row.kind, row.start, row.point, row.crop);
        EXPECT_NEAR(result.x, row.expected.x, 1e-9) << row.point << " gives " << result;
        EXPECT_NEAR(result.y, row.expected.y, 1e-9) << row.point << " gives " << result;
    }
}

TEST(MeasureConstraintTest, KeepsOnlyTheLargerMovement) {
    EXPECT_EQ(measureConstrained({10, 10}, {50, 20}), (Point{50, 10}));
    EXPECT_EQ(measureConstrained({10, 10}, {5, -40}), (Point{10, -40}));
}

TEST(FinishCreationTest, AppliesMinimumSizes) {
    using Action = CreationOutcome::Action;
    const struct {
        const char* name;
        CanvasTool tool;
        Point start;
        Point end;
        Action action;
    } rows[] = {
        {"pointer click survives", CanvasTool::Pointer, {5, 5}, {5, 5}, Action::AddMark},
        {"rectangle click is discarded", CanvasTool::Rectangle, {5, 5}, {5, 5}, Action::Discard},
        {"narrow rectangle is kept", CanvasTool::Rectangle, {0, 0}, {2, 10}, Action::AddMark},
        {"narrow ellipse is discarded", CanvasTool::Ellipse, {0, 0}, {2, 10}, Action::Discard},
        {"level line is kept", CanvasTool::Line, {0, 0}, {3, 0}, Action::AddMark},
        {"short arrow is discarded", CanvasTool::Arrow, {0, 0}, {2.9, 2.9}, Action::Discard},
        {"freehand dot is discarded", CanvasTool::Freehand, {4, 4}, {5, 5}, Action::Discard},
        {"text click asks for text", CanvasTool::Text, {5, 5}, {5, 5}, Action::AddText},
        {"two by two crop applies", CanvasTool::Crop, {0, 0}, {2, 2}, Action::SetCrop},
        {"thin crop is ignored", CanvasTool::Crop, {0, 0}, {1.5, 40}, Action::Discard},
    };
    for (const auto& row : rows) {
        Mark draft = newDraft(row.tool, newId(), row.start, {});
        draft.end = row.end;
        if (draft.points)
            draft.points->push_back(row.end);
        EXPECT_EQ(finishCreation(row.tool, draft).action, row.action) << row.name;
    }
}

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
