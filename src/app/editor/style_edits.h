#pragma once

#include "canvas/canvas_editor.h"
#include "records/capture_note.h"

#include <QString>
#include <QVariant>

// The editor's style controls as plain functions over a mark, the drawing defaults or an image.
namespace lumbex::edits {

// Style of the selected mark (or of the drawing defaults when none is selected).
enum class StyleProperty { Color, StrokeWidth, TextSize, HighlightOpacity, Magnification };
QString styleActionName(StyleProperty property);
// Applies a style value to a mark: colour as hex text, stroke width in pixels, text size in
// points (stored as lineWidth = size / 6), highlight opacity 0…1, magnification 2…8.
void applyStyle(Mark& mark, StyleProperty property, const QVariant& value);
// The window's defaults for new marks; a text mark takes its size from `textSize`.
struct EditorDefaults {
    DrawingDefaults drawing;
    double textSize = 18;
};
void applyStyle(EditorDefaults& defaults, StyleProperty property, const QVariant& value);

// The image's background, created with its defaults when the image has none.
ImageBackground& background(Media& media);

} // namespace lumbex::edits
