#include "app/editor/style_edits.h"
#include "support/test_marks.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

TEST(StyleEdits, StylesLandOnTheMarkOrOnTheDefaults) {
    Mark text = makeMark(MarkKind::Text, {0, 0}, {240, 64});
    edits::applyStyle(text, edits::StyleProperty::TextSize, 24.0);
    EXPECT_DOUBLE_EQ(text.lineWidth, 4);

    edits::EditorDefaults defaults;
    edits::applyStyle(defaults, edits::StyleProperty::TextSize, 30.0);
    edits::applyStyle(defaults, edits::StyleProperty::HighlightOpacity, 0.5);
    EXPECT_DOUBLE_EQ(defaults.textSize, 30);
    EXPECT_DOUBLE_EQ(defaults.drawing.lineWidth, 3) << "text size must not change stroke width";
    EXPECT_DOUBLE_EQ(defaults.drawing.highlightOpacity, 0.5);
}

} // namespace
} // namespace lumbex
