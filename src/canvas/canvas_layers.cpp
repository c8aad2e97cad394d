#include "canvas/canvas_layers.h"

#include "canvas/base_layer.h"
#include "canvas/composition.h"
#include "geometry/text_metrics.h"

#include <QPainter>
#include <algorithm>

namespace lumbex {
namespace {

constexpr int kCheckerSide = 12;

QBrush checkerboard() {
    QImage tile(2 * kCheckerSide, 2 * kCheckerSide, QImage::Format_RGB32);
    tile.fill(QColor::fromRgbF(0.94f, 0.94f, 0.94f));
    QPainter painter(&tile);
    const QColor dark = QColor::fromRgbF(0.87f, 0.87f, 0.87f);
    painter.fillRect(kCheckerSide, 0, kCheckerSide, kCheckerSide, dark);
    painter.fillRect(0, kCheckerSide, kCheckerSide, kCheckerSide, dark);
    return QBrush(tile);
}

// A painter on a layer whose coordinates are source pixels, clipped to the image rectangle.
void beginScene(QPainter& painter, const CanvasScene& scene, const CanvasPlacement& placement) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    // Enlarged pixels stay sharp, as in a full-size export.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setClipRect(placement.imageRect);
    painter.translate(placement.imageRect.topLeft());
    painter.scale(placement.zoom, placement.zoom);
    painter.translate(-scene.output.x, -scene.output.y);
}

struct Slices {
    std::vector<Mark> marks;
    size_t draftIndex = 0;
};

Slices withDraft(const std::vector<Mark>& marks, const Mark& draft) {
    Slices slices{marks, marks.size()};
    const auto found = std::find_if(slices.marks.begin(), slices.marks.end(),
                                    [&](const Mark& m) { return m.id == draft.id; });
    if (found == slices.marks.end()) {
        slices.marks.push_back(draft);
    } else {
        *found = draft;
        slices.draftIndex = size_t(found - slices.marks.begin());
    }
    return slices;
}

bool hasLens(const std::vector<Mark>& marks) {
    return std::any_of(marks.begin(), marks.end(),
                       [](const Mark& m) { return m.kind == MarkKind::Magnify; });
}

} // namespace

QImage CanvasLayers::blankLayer(const CanvasPlacement& placement, bool withCheckerboard) const {
    QImage layer(placement.viewport * placement.devicePixelRatio,
                 QImage::Format_ARGB32_Premultiplied);
    layer.setDevicePixelRatio(placement.devicePixelRatio);
    // Text is measured at 72 dpi, where a point is a source pixel.
    layer.setDotsPerMeterX(annotationDotsPerMeter());
    layer.setDotsPerMeterY(annotationDotsPerMeter());
    layer.fill(Qt::transparent);
    if (withCheckerboard) {
        QPainter painter(&layer);
        QBrush brush = checkerboard();
        // Squares sit on the content's grid, so they scroll with the image.
        brush.setTransform(
            QTransform::fromTranslate(-placement.scrollOffset.x(), -placement.scrollOffset.y()));
        painter.fillRect(placement.imageRect, brush);
    }
    return layer;
}

void CanvasLayers::clear() {
    key_.reset();
    below_ = QImage();
    above_ = QImage();
    frame_ = QImage();
}

void CanvasLayers::paint(QPainter& target, const CanvasScene& scene,
                         const CanvasPlacement& placement, const std::optional<Mark>& draft) {
    const Slices slices = draft ? withDraft(scene.marks, *draft) : Slices{scene.marks, 0};
    const bool redactionDraft = draft && draft->kind == MarkKind::Redact;
    // A moving redaction shows inside every lens: with a lens present, compose it all each frame.
    const bool composeAll = redactionDraft && hasLens(slices.marks);
    const Key key{scene.version, placement, draft ? std::optional(draft->id) : std::nullopt,
                  redactionDraft};

    if (!draft || composeAll) {
        if (composeAll || key_ != key) {
            below_ = blankLayer(placement, true);
            QPainter painter(&below_);
            beginScene(painter, scene, placement);
            drawBaseLayer(painter, scene.original, scene.media, scene.output);
            drawMarks(painter, scene.original, scene.media, scene.output, slices.marks,
                      scene.numbers, 0, slices.marks.size(), true);
            key_ = composeAll ? std::nullopt : std::optional(key);
        }
        target.drawImage(QPointF(0, 0), below_);
        return;
    }

    const size_t count = slices.marks.size();
    // Everything a redaction draft does not change is below it; redactions go on top each frame.
    const size_t belowEnd = redactionDraft ? count : slices.draftIndex;
    if (key_ != key) {
        below_ = blankLayer(placement, true);
        {
            QPainter painter(&below_);
            beginScene(painter, scene, placement);
            drawBaseLayer(painter, scene.original, scene.media, scene.output);
            drawMarks(painter, scene.original, scene.media, scene.output, slices.marks,
                      scene.numbers, 0, belowEnd, false);
        }
        above_ = QImage();
        const bool anyRedaction =
            std::any_of(slices.marks.begin(), slices.marks.end(),
                        [](const Mark& m) { return m.kind == MarkKind::Redact; });
        aboveEmpty_ = redactionDraft || (slices.draftIndex + 1 >= count && !anyRedaction);
        if (!aboveEmpty_) {
            above_ = blankLayer(placement, false);
            QPainter painter(&above_);
            beginScene(painter, scene, placement);
            drawMarks(painter, scene.original, scene.media, scene.output, slices.marks,
                      scene.numbers, slices.draftIndex + 1, count, true);
        }
        key_ = key;
    }

    // The draft is drawn on a copy of the layer below, at 72 dpi like the layers.
    if (frame_.size() != below_.size() || frame_.devicePixelRatio() != below_.devicePixelRatio())
        frame_ = blankLayer(placement, false);
    std::copy_n(below_.constBits(), below_.sizeInBytes(), frame_.bits());
    {
        QPainter painter(&frame_);
        beginScene(painter, scene, placement);
        if (redactionDraft)
            drawMarks(painter, scene.original, scene.media, scene.output, slices.marks,
                      scene.numbers, count, count, true);
        else
            drawMarks(painter, scene.original, scene.media, scene.output, slices.marks,
                      scene.numbers, slices.draftIndex, slices.draftIndex + 1, false);
    }
    target.drawImage(QPointF(0, 0), frame_);
    if (!aboveEmpty_)
        target.drawImage(QPointF(0, 0), above_);
}

} // namespace lumbex
