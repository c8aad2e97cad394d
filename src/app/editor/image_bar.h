#pragma once

#include "canvas/canvas_tool.h"

#include <functional>

class QActionGroup;
class QCheckBox;
class QComboBox;
class QMainWindow;
class QToolBar;

namespace lumbex {

class CanvasZoom;
class CommandRegistry;
class EditorContext;

// The editor's toolbar: the image picker, the active image's role and request inclusion, the
// image actions and add-image menus (from the window's commands), the tools and the zoom picker.
class ImageBar {
public:
    // `chooseTool` switches the canvas's tool.
    ImageBar(QMainWindow& window, EditorContext& context, const CommandRegistry& commands,
             CanvasZoom& zoom, std::function<void(CanvasTool)> chooseTool);

    // The images of the note, the active one's role and inclusion, the zoom and the tool.
    void refresh();
    void refreshZoom();
    void refreshTool();

private:
    void addImageControls(const CommandRegistry& commands);
    void addTools();
    void addZoomPicker();

    EditorContext& context_;
    CanvasZoom& zoom_;
    std::function<void(CanvasTool)> chooseTool_;
    QToolBar* bar_;
    QComboBox* imagePicker_ = nullptr;
    QComboBox* rolePicker_ = nullptr;
    QCheckBox* includeToggle_ = nullptr;
    QActionGroup* tools_ = nullptr;
    QComboBox* zoomPicker_ = nullptr;
};

} // namespace lumbex
