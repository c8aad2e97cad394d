#pragma once

#include "records/capture_note.h"

#include <QImage>
#include <QRectF>
#include <optional>

class QPainter;

namespace lumbex {

// What the canvas shows: the decoded original, its media record, the marks in note order with
// their numbers, and the output rectangle (frozen while a gesture runs). `version` changes
// whenever any of these does.
struct CanvasScene {
    QImage original;
    Media media;
    std::vector<Mark> marks;
    MarkNumbers numbers;
    Rect output;
    quint64 version = 0;
};

// Where the scene lands in the viewport: the image rectangle in viewport points, the zoom, the
// scroll offset (the checkerboard sits on the content's grid) and the device pixel ratio.
struct CanvasPlacement {
    QSize viewport;
    qreal devicePixelRatio = 1;
    QRectF imageRect;
    double zoom = 1;
    QPointF scrollOffset;

    friend bool operator==(const CanvasPlacement&, const CanvasPlacement&) = default;
};

// Draws the checkerboard and the composition into the viewport, keeping composed layers between
// frames: while a gesture changes one mark (the draft), the marks below and above it stay composed
// and only the draft is drawn again. Layers are viewport-sized bitmaps at 72 dpi, so text is laid
// out exactly as in an export.
class CanvasLayers {
public:
    // `draft` stands in place of the mark with its id, or on top of the marks when it is new.
    void paint(QPainter& painter, const CanvasScene& scene, const CanvasPlacement& placement,
               const std::optional<Mark>& draft);
    // Drops the layers (their memory too).
    void clear();

private:
    struct Key {
        quint64 version = 0;
        CanvasPlacement placement;
        std::optional<Id> draftID;
        bool redactionDraft = false;

        friend bool operator==(const Key&, const Key&) = default;
    };
    QImage blankLayer(const CanvasPlacement& placement, bool checkerboard) const;

    std::optional<Key> key_;
    QImage below_;
    QImage above_;
    bool aboveEmpty_ = true;
    QImage frame_;
};

} // namespace lumbex
