#include "canvas/canvas_tool.h"

namespace lumbex {

const std::array<CanvasToolInfo, 13>& canvasTools() {
    static const std::array<CanvasToolInfo, 13> tools{{
        {CanvasTool::Select, QStringLiteral("Select"), QStringLiteral("edit-select"), 'V',
         std::nullopt},
        {CanvasTool::Pointer, QStringLiteral("Location Note"), QStringLiteral("mark-location"), 'N',
         MarkKind::Pointer},
        {CanvasTool::Arrow, QStringLiteral("Arrow"), QStringLiteral("draw-arrow"), 'A',
         MarkKind::Arrow},
        {CanvasTool::Line, QStringLiteral("Line"), QStringLiteral("draw-line"), 'L',
         MarkKind::Line},
        {CanvasTool::Rectangle, QStringLiteral("Rectangle"), QStringLiteral("draw-rectangle"), 'R',
         MarkKind::Rectangle},
        {CanvasTool::Ellipse, QStringLiteral("Ellipse"), QStringLiteral("draw-ellipse"), 'O',
         MarkKind::Ellipse},
        {CanvasTool::Freehand, QStringLiteral("Freehand"), QStringLiteral("draw-freehand"), 'P',
         MarkKind::Freehand},
        {CanvasTool::Highlight, QStringLiteral("Highlight"), QStringLiteral("draw-highlight"), 'H',
         MarkKind::Highlight},
        {CanvasTool::Text, QStringLiteral("Text"), QStringLiteral("draw-text"), 'T',
         MarkKind::Text},
        {CanvasTool::Redact, QStringLiteral("Redact"), QStringLiteral("view-hidden"), 'B',
         MarkKind::Redact},
        {CanvasTool::Crop, QStringLiteral("Crop"), QStringLiteral("transform-crop"), 'C',
         MarkKind::Rectangle},
        {CanvasTool::Measure, QStringLiteral("Measure"), QStringLiteral("measure"), 'M',
         std::nullopt},
        {CanvasTool::Magnify, QStringLiteral("Magnify"), QStringLiteral("zoom-in"), 'Z',
         MarkKind::Magnify},
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

std::optional<CanvasTool> toolFromIndex(int index) {
    if (index < 0 || index >= static_cast<int>(canvasTools().size()))
        return std::nullopt;
    return static_cast<CanvasTool>(index);
}

} // namespace lumbex
