#include "canvas/annotation_accessibility.h"
#include "support/qt_printers.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(AnnotationLabelTest, NamesKindNumberOrPositionAndImage) {
    const struct {
        MarkKind kind;
        std::optional<int> number;
        size_t position;
        std::optional<QString> imageName;
        const char* label;
    } rows[] = {
        {MarkKind::Arrow, 2, 0, QStringLiteral("Shot.png"), "Arrow, note 2 on Shot.png"},
        {MarkKind::Rectangle,
         {},
         2,
         QStringLiteral("Shot.png"),
         "Rectangle, annotation 3 on Shot.png"},
        {MarkKind::Pointer, 1, 0, QStringLiteral("a"), "Location Note, note 1 on a"},
        {MarkKind::Redact, {}, 0, std::nullopt, "Redact, annotation 1 on image"},
    };
    for (const auto& row : rows) {
        const Mark mark = makeMark(row.kind, {0, 0}, {10, 10});
        EXPECT_EQ(annotationLabel(mark, row.number, row.position, row.imageName),
                  QString::fromUtf8(row.label));
    }
}

TEST(AnnotationValueTest, GivesTheRectTextAndSelection) {
    Mark text = makeMark(MarkKind::Text, {10.4, 20.6}, {250, 84});
    EXPECT_EQ(annotationValue(text, false),
              QStringLiteral("X 10, Y 21, width 240, height 63 source pixels"));
    text.text = QString(300, QLatin1Char('w'));
    EXPECT_EQ(annotationValue(text, true),
              QStringLiteral("X 10, Y 21, width 240, height 63 source pixels. ") +
                  QString(240, QLatin1Char('w')) + QStringLiteral(". Selected"));
    Mark arrow = makeMark(MarkKind::Arrow, {50, 50}, {10, 20});
    arrow.text = QStringLiteral("not spoken");
    EXPECT_EQ(annotationValue(arrow, true),
              QStringLiteral("X 10, Y 20, width 40, height 30 source pixels. Selected"));
}

TEST(AnnotationHelpTest, RedactionsAreMasks) {
    EXPECT_EQ(annotationHelp(makeMark(MarkKind::Redact, {}, {})),
              QStringLiteral("Press to select this mask. Arrow keys move it. Use a location note "
                             "beside it for instructions."));
    EXPECT_EQ(annotationHelp(makeMark(MarkKind::Ellipse, {}, {})),
              QStringLiteral("Press to select this annotation. Arrow keys move it; Return opens "
                             "its note."));
}

TEST(AnnotationIdentifierTest, UsesTheUpperCaseId) {
    const Mark mark = makeMark(MarkKind::Line, {}, {});
    EXPECT_EQ(annotationIdentifier(mark), QStringLiteral("annotation.") + idString(mark.id));
}

TEST(NavigableTest, NeedsVisibleAreaInsideTheOutputAndCrop) {
    const Rect output{0, 0, 100, 100};
    EXPECT_TRUE(isNavigable(makeMark(MarkKind::Rectangle, {10, 10}, {20, 20}), false, {}, output));
    EXPECT_FALSE(
        isNavigable(makeMark(MarkKind::Rectangle, {200, 10}, {220, 20}), false, {}, output));
    const Rect crop{0, 0, 50, 50};
    EXPECT_FALSE(isNavigable(makeMark(MarkKind::Redact, {60, 60}, {80, 80}), false, crop, output));
    EXPECT_TRUE(isNavigable(makeMark(MarkKind::Redact, {40, 40}, {80, 80}), false, crop, output));
}

} // namespace
} // namespace lumbex
