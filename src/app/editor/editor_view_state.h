#pragma once

#include "canvas/canvas_tool.h"
#include "core/ids.h"
#include "core/rect.h"

#include <QByteArray>
#include <optional>

class QSettings;

namespace lumbex {

// Where a person left a note's window: the image, tool, selection, zoom (none: fit) and the
// visible centre in source pixels. Kept in the settings under "editorView.<note id>", the tool by
// its name.
struct EditorViewState {
    Id mediaID;
    CanvasTool tool = CanvasTool::Select;
    std::optional<Id> selectedID;
    std::optional<double> zoom;
    Point center;
    bool inspectorVisible = true;

    friend bool operator==(const EditorViewState&, const EditorViewState&) = default;

    QByteArray encode() const;
    // None for anything that is not a complete state (a damaged value is ignored). A tool stored
    // by its index, as older versions did, is read too; the next save stores its name.
    static std::optional<EditorViewState> decode(const QByteArray& bytes);

    static std::optional<EditorViewState> load(const QSettings& settings, const Id& noteID);
    void save(QSettings& settings, const Id& noteID) const;
};

} // namespace lumbex
