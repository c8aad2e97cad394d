#include "app/editor/style_edits.h"

namespace lumbex::edits {

QString styleActionName(StyleProperty property) {
    switch (property) {
    case StyleProperty::Color:
        return QStringLiteral("Change Annotation Color");
    case StyleProperty::StrokeWidth:
        return QStringLiteral("Change Stroke Width");
    case StyleProperty::TextSize:
        return QStringLiteral("Change Text Size");
    case StyleProperty::HighlightOpacity:
        return QStringLiteral("Change Highlight Opacity");
    case StyleProperty::Magnification:
        return QStringLiteral("Change Magnification");
    }
    return {};
}

void applyStyle(Mark& mark, StyleProperty property, const QVariant& value) {
    switch (property) {
    case StyleProperty::Color:
        mark.color = value.toString();
        break;
    case StyleProperty::StrokeWidth:
        mark.lineWidth = value.toDouble();
        break;
    case StyleProperty::TextSize:
        mark.lineWidth = value.toDouble() / 6;
        break;
    case StyleProperty::HighlightOpacity:
        mark.opacity = value.toDouble();
        break;
    case StyleProperty::Magnification:
        mark.magnification = value.toDouble();
        break;
    }
}

void applyStyle(EditorDefaults& defaults, StyleProperty property, const QVariant& value) {
    DrawingDefaults& drawing = defaults.drawing;
    switch (property) {
    case StyleProperty::Color:
        drawing.color = value.toString();
        break;
    case StyleProperty::StrokeWidth:
        drawing.lineWidth = value.toDouble();
        break;
    case StyleProperty::TextSize:
        defaults.textSize = value.toDouble();
        break;
    case StyleProperty::HighlightOpacity:
        drawing.highlightOpacity = value.toDouble();
        break;
    case StyleProperty::Magnification:
        drawing.magnification = value.toDouble();
        break;
    }
}

ImageBackground& background(Media& media) {
    if (!media.background)
        media.background = ImageBackground{};
    return *media.background;
}

} // namespace lumbex::edits
