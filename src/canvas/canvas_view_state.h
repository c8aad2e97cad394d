#pragma once

#include "canvas/canvas_layers.h"
#include "canvas/canvas_tool.h"
#include "canvas/canvas_view.h"
#include "canvas/pixel_sampler.h"

#include <QPoint>
#include <optional>

namespace lumbex {

// Everything a CanvasView holds; shared by its drawing and its input handling.
struct CanvasView::State {
    // Content: `scene.output` is the output rectangle of the marks as they are.
    std::optional<Media> media;
    CanvasScene scene;
    CanvasTool tool = CanvasTool::Select;
    double zoom = 1;

    std::optional<Id> selectedID;
    // Set when a click made the selection: it then shows the resize handle.
    std::optional<Id> transformSelectionID;

    // The gesture between a press and its release. `startPoint` is set for its whole length;
    // `draft` is the mark being created or transformed (from `beforeDrag`).
    std::optional<Point> startPoint;
    std::optional<Rect> dragBounds;
    std::optional<Mark> draft;
    std::optional<Mark> beforeDrag;
    bool resizing = false;
    bool spaceDown = false;
    std::optional<QPoint> panStart;
    QPoint panOrigin;

    std::optional<PixelMeasurement> measurement;
    bool loupeEnabled = false;
    std::optional<PixelLoupe> loupe;
    std::optional<QColor> sampledColor;
    std::optional<Point> sampledPoint;

    bool readingSelection = false;
    bool selectingVoiceLocation = false;
    std::optional<Id> voiceCandidate;

    CanvasLayers layers;
    PixelSampler inspector;
};

} // namespace lumbex
