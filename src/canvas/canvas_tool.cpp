#include "canvas/canvas_tool.h"

namespace lumbex {

const std::array<CanvasToolInfo, 13>& canvasTools() {
    static const std::array<CanvasToolInfo, 13> tools{{
        {CanvasTool::Select, QStringLiteral("select"), QStringLiteral("Select"),
         QStringLiteral("edit-select"), 'V', std::nullopt},
        {CanvasTool::Pointer, QStringLiteral("locationNote"), QStringLiteral("Location Note"),
         QStringLiteral("mark-location"), 'N', MarkKind::Pointer},
        {CanvasTool::Arrow, QStringLiteral("arrow"), QStringLiteral("Arrow"),
         QStringLiteral("draw-arrow"), 'A', MarkKind::Arrow},
        {CanvasTool::Line, QStringLiteral("line"), QStringLiteral("Line"),
         QStringLiteral("draw-line"), 'L', MarkKind::Line},
        {CanvasTool::Rectangle, QStringLiteral("rectangle"), QStringLiteral("Rectangle"),
         QStringLiteral("draw-rectangle"), 'R', MarkKind::Rectangle},
        {CanvasTool::Ellipse, QStringLiteral("ellipse"), QStringLiteral("Ellipse"),
         QStringLiteral("draw-ellipse"), 'O', MarkKind::Ellipse},
        {CanvasTool::Freehand, QStringLiteral("freehand"), QStringLiteral("Freehand"),
         QStringLiteral("draw-freehand"), 'P', MarkKind::Freehand},
        {CanvasTool::Highlight, QStringLiteral("highlight"), QStringLiteral("Highlight"),
         QStringLiteral("draw-highlight"), 'H', MarkKind::Highlight},
        {CanvasTool::Text, QStringLiteral("text"), QStringLiteral("Text"),
         QStringLiteral("draw-text"), 'T', MarkKind::Text},
        {CanvasTool::Redact, QStringLiteral("redact"), QStringLiteral("Redact"),
         QStringLiteral("view-hidden"), 'B', MarkKind::Redact},
        {CanvasTool::Crop, QStringLiteral("crop"), QStringLiteral("Crop"),
         QStringLiteral("transform-crop"), 'C', MarkKind::Rectangle},
        {CanvasTool::Measure, QStringLiteral("measure"), QStringLiteral("Measure"),
         QStringLiteral("measure"), 'M', std::nullopt},
        {CanvasTool::Magnify, QStringLiteral("magnify"), QStringLiteral("Magnify"),
         QStringLiteral("zoom-in"), 'Z', MarkKind::Magnify},
    }};
    return tools;
}

const CanvasToolInfo& toolInfo(CanvasTool tool) {
    return canvasTools()[static_cast<int>(tool)];
}

std::optional<CanvasTool> toolForShortcut(QChar key) {
    const QChar upper = key.toUpper();
    for (const CanvasToolInfo& info : canvasTools()) {
        if (upper == QLatin1Char(info.shortcut))
            return info.tool;
    }
    return std::nullopt;
}

std::optional<CanvasTool> toolNamed(QStringView name) {
    for (const CanvasToolInfo& info : canvasTools())
        if (info.name == name)
            return info.tool;
    return std::nullopt;
}

std::optional<CanvasTool> toolFromIndex(int index) {
    if (index < 0 || index >= static_cast<int>(canvasTools().size()))
        return std::nullopt;
    return static_cast<CanvasTool>(index);
}

} // namespace lumbex
