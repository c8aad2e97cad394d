#pragma once

#include "records/mark.h"

#include <QString>
#include <array>
#include <optional>

namespace lumbex {

// The canvas's tools, in toolbar order. A window's view state stores a tool by its name; older
// states stored this index.
enum class CanvasTool {
    Select,
    Pointer,
    Arrow,
    Line,
    Rectangle,
    Ellipse,
    Freehand,
    Highlight,
    Text,
    Redact,
    Crop,
    Measure,
    Magnify
};

struct CanvasToolInfo {
    CanvasTool tool;
    // The stable name under which settings store the tool ("select", "arrow", …); never shown.
    QString name;
    QString title;
    // The freedesktop icon theme name of the toolbar icon; the application bundles a fallback
    // under ":/icons/<name>.svg" for desktops whose theme lacks it.
    QString iconName;
    char shortcut;
    // The kind of mark the tool creates; crop drafts a rectangle, select and measure create none.
    std::optional<MarkKind> kind;
};

const std::array<CanvasToolInfo, 13>& canvasTools();
const CanvasToolInfo& toolInfo(CanvasTool tool);
// The tool a plain letter key selects (case-insensitive), if any.
std::optional<CanvasTool> toolForShortcut(QChar key);
std::optional<CanvasTool> toolNamed(QStringView name);
// The tool an older view state stored as its index.
std::optional<CanvasTool> toolFromIndex(int index);

} // namespace lumbex
