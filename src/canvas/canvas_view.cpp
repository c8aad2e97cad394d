#include "canvas/canvas_view.h"

#include "canvas/annotation_accessibility.h"
#include "canvas/canvas_overlays.h"
#include "canvas/canvas_view_state.h"
#include "canvas/hit_testing.h"
#include "canvas/measurement_text.h"
#include "geometry/mark_geometry.h"

#include <QPainter>
#include <QScrollBar>
#include <cmath>

namespace lumbex {

CanvasView::CanvasView(CanvasEditor& editor, QWidget* parent)
    : QAbstractScrollArea(parent), state_(std::make_unique<State>()), editor_(editor) {
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->setMouseTracking(true);
    // Every frame paints the whole viewport from composed layers.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    connect(&state_->inspector, &PixelSampler::inspected, this,
            [this](const PixelInspection& inspection) {
                state_->sampledPoint = inspection.point;
                state_->sampledColor = inspection.color;
                state_->loupe = inspection.loupe;
                editor_.updateMeasurements();
                viewport()->update();
            });
    updateCursor();
}

CanvasView::~CanvasView() = default;

void CanvasView::setContent(const Media* media, const QImage& original,
                            const std::vector<Mark>& marks, const MarkNumbers& numbers) {
    State& s = *state_;
    const bool sameImage = media && s.media && s.media->id == media->id;
    const std::optional<std::pair<Point, QPointF>> keep =
        sameImage ? std::optional(std::pair{visibleCenter(), QRectF(viewport()->rect()).center()})
                  : std::nullopt;
    s.media = media ? std::optional(*media) : std::nullopt;
    s.scene.original = media ? original : QImage();
    s.scene.media = media ? *media : Media{};
    s.scene.marks = media ? marks : std::vector<Mark>{};
    s.scene.numbers = media ? numbers : MarkNumbers{};
    s.scene.output = media ? outputRect(*media, s.scene.marks, s.scene.numbers) : Rect{};
    ++s.scene.version;
    s.inspector.cancel();

    if (!sameImage) {
        clearGesture();
        s.measurement.reset();
        s.loupe.reset();
        s.sampledPoint.reset();
        s.sampledColor.reset();
        s.readingSelection = false;
        s.selectingVoiceLocation = false;
    } else {
        if (s.beforeDrag && !mark(s.beforeDrag->id))
            clearGesture();
        // The sample shows the composition: new marks may have changed it.
        if (s.sampledPoint && (s.loupeEnabled || s.tool == CanvasTool::Measure))
            requestSample(*s.sampledPoint);
    }
    if (s.selectedID && !mark(*s.selectedID))
        select(std::nullopt, false, true);
    if (!s.media)
        s.layers.clear();
    relayout(keep);
    if (!sameImage && s.media)
        centerOn(s.scene.output.center());
}

const std::optional<Media>& CanvasView::media() const {
    return state_->media;
}

const std::vector<Mark>& CanvasView::marks() const {
    return state_->scene.marks;
}

CanvasTool CanvasView::tool() const {
    return state_->tool;
}

void CanvasView::setTool(CanvasTool tool) {
    State& s = *state_;
    clearGesture();
    if (tool != CanvasTool::Measure && s.measurement) {
        s.measurement.reset();
        editor_.updateMeasurements();
    }
    s.tool = tool;
    updateCursor();
    viewport()->update();
}

double CanvasView::zoom() const {
    return state_->zoom;
}

void CanvasView::setZoom(double zoom, std::optional<Point> anchor) {
    if (!std::isfinite(zoom) || zoom <= 0)
        return;
    const Point source = anchor.value_or(visibleCenter());
    const QPointF at = anchor ? screen(*anchor) : QRectF(viewport()->rect()).center();
    state_->zoom = zoom;
    relayout(std::pair{source, at});
}

double CanvasView::fitZoom() const {
    if (!state_->media)
        return state_->zoom;
    return lumbex::fitZoom(outputBounds(), viewport()->size(), devicePixelRatioF());
}

Rect CanvasView::outputBounds() const {
    return state_->dragBounds.value_or(state_->scene.output);
}

CanvasCoordinates CanvasView::coordinates() const {
    return CanvasCoordinates::make(outputBounds(), state_->zoom, viewport()->size());
}

QPointF CanvasView::scrollOffset() const {
    return {double(horizontalScrollBar()->value()), double(verticalScrollBar()->value())};
}

QRectF CanvasView::imageRect() const {
    return coordinates().imageRect().translated(-scrollOffset());
}

Point CanvasView::pixel(const QPointF& viewPoint) const {
    if (!state_->media)
        return {};
    return coordinates().pixel(viewPoint + scrollOffset());
}

QPointF CanvasView::screen(Point sourcePoint) const {
    if (!state_->media)
        return {};
    return coordinates().screen(sourcePoint) - scrollOffset();
}

Point CanvasView::visibleCenter() const {
    return pixel(QRectF(viewport()->rect()).center());
}

void CanvasView::centerOn(Point sourcePoint) {
    relayout(std::pair{sourcePoint, QRectF(viewport()->rect()).center()});
}

void CanvasView::relayout(std::optional<std::pair<Point, QPointF>> keep) {
    const CanvasCoordinates c = coordinates();
    const QSize view = viewport()->size();
    horizontalScrollBar()->setRange(0,
                                    std::max(0, int(std::ceil(c.content.width())) - view.width()));
    verticalScrollBar()->setRange(0,
                                  std::max(0, int(std::ceil(c.content.height())) - view.height()));
    horizontalScrollBar()->setPageStep(view.width());
    verticalScrollBar()->setPageStep(view.height());
    if (keep && state_->media) {
        const QPointF offset = c.screen(keep->first) - keep->second;
        horizontalScrollBar()->setValue(int(std::lround(offset.x())));
        verticalScrollBar()->setValue(int(std::lround(offset.y())));
    }
    viewport()->update();
}

Rect CanvasView::visibleRect() const {
    const Media& media = state_->scene.media;
    return media.crop.value_or(Rect{0, 0, double(media.width), double(media.height)});
}

const Mark* CanvasView::mark(const Id& id) const {
    for (const Mark& m : state_->scene.marks)
        if (m.id == id)
            return &m;
    return nullptr;
}

std::optional<Id> CanvasView::hit(Point p) const {
    return hitMark(state_->scene.marks, state_->scene.numbers, state_->scene.media.crop,
                   outputBounds(), p, state_->zoom);
}

std::optional<Id> CanvasView::selectedID() const {
    return state_->selectedID;
}

bool CanvasView::showsSelectionHandles() const {
    const State& s = *state_;
    return s.selectedID && s.transformSelectionID == s.selectedID && s.tool == CanvasTool::Select &&
           !s.readingSelection && !s.selectingVoiceLocation;
}

void CanvasView::selectAnnotation(const std::optional<Id>& id, bool showHandles) {
    select(id, showHandles, false);
}

void CanvasView::select(const std::optional<Id>& id, bool showHandles, bool notify) {
    State& s = *state_;
    const std::optional<Id> chosen = id && mark(*id) ? id : std::nullopt;
    const bool changed = chosen != s.selectedID;
    s.selectedID = chosen;
    s.transformSelectionID = chosen && showHandles ? chosen : std::nullopt;
    if (const Mark* selected = chosen ? mark(*chosen) : nullptr) {
        const size_t position = size_t(selected - s.scene.marks.data());
        const auto number = s.scene.numbers.find(selected->id);
        setAccessibleDescription(
            annotationLabel(*selected,
                            number == s.scene.numbers.end() ? std::nullopt
                                                            : std::optional(number->second),
                            position, s.media ? std::optional(s.media->name) : std::nullopt) +
            QStringLiteral(". ") + annotationValue(*selected, true));
    } else {
        setAccessibleDescription({});
    }
    viewport()->update();
    if (changed && notify)
        editor_.selectionDidChange();
}

const std::optional<PixelMeasurement>& CanvasView::measurement() const {
    return state_->measurement;
}

bool CanvasView::loupeEnabled() const {
    return state_->loupeEnabled;
}

void CanvasView::setLoupeEnabled(bool enabled) {
    state_->loupeEnabled = enabled;
    if (!enabled)
        state_->loupe.reset();
    else if (state_->sampledPoint)
        requestSample(*state_->sampledPoint);
    viewport()->update();
}

std::optional<QColor> CanvasView::sampledColor() const {
    return state_->sampledColor;
}

std::optional<Point> CanvasView::sampledPoint() const {
    return state_->sampledPoint;
}

void CanvasView::requestSample(Point at) {
    State& s = *state_;
    if (!s.media)
        return;
    s.inspector.inspect(s.scene.original, *s.media, s.scene.marks, s.scene.numbers, at,
                        s.loupeEnabled);
}

void CanvasView::beginTextSelection() {
    clearGesture();
    state_->readingSelection = true;
    updateCursor();
}

void CanvasView::beginVoiceSelection() {
    clearGesture();
    state_->selectingVoiceLocation = true;
    updateCursor();
}

bool CanvasView::isChoosingVoiceLocation() const {
    return state_->selectingVoiceLocation;
}

void CanvasView::endVoiceSelection() {
    State& s = *state_;
    if (!s.selectingVoiceLocation)
        return;
    clearGesture();
    s.selectingVoiceLocation = false;
    s.voiceCandidate.reset();
    updateCursor();
    viewport()->update();
}

void CanvasView::cancelGesture() {
    State& s = *state_;
    clearGesture();
    s.readingSelection = false;
    s.selectingVoiceLocation = false;
    s.voiceCandidate.reset();
    select(std::nullopt, false, true);
    s.tool = CanvasTool::Select;
    updateCursor();
}

void CanvasView::clearGesture() {
    State& s = *state_;
    const bool wasFrozen = s.dragBounds.has_value();
    s.startPoint.reset();
    s.draft.reset();
    s.beforeDrag.reset();
    s.resizing = false;
    s.panStart.reset();
    if (wasFrozen) {
        // The canvas takes the size of the marks as they now are, the picture held still.
        const std::pair keep{visibleCenter(), QRectF(viewport()->rect()).center()};
        s.dragBounds.reset();
        relayout(keep);
    }
    viewport()->update();
}

void CanvasView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    relayout(std::nullopt);
}

void CanvasView::scrollContentsBy(int, int) {
    viewport()->update();
}

void CanvasView::paintEvent(QPaintEvent*) {
    State& s = *state_;
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), palette().color(QPalette::Window));
    if (!s.media)
        return;
    const CanvasPlacement placement{viewport()->size(), viewport()->devicePixelRatioF(),
                                    imageRect(), s.zoom, scrollOffset()};
    if (outputBounds() == s.scene.output) {
        s.layers.paint(painter, s.scene, placement, s.draft);
    } else {
        CanvasScene frozen = s.scene;
        frozen.output = outputBounds();
        s.layers.paint(painter, frozen, placement, s.draft);
    }
    paintOverlays(painter);
}

void CanvasView::paintOverlays(QPainter& painter) {
    const State& s = *state_;
    const QRectF visible = viewport()->rect();
    if (s.selectedID) {
        const Mark* selected =
            s.draft && s.draft->id == *s.selectedID ? &*s.draft : mark(*s.selectedID);
        if (selected)
            drawSelection(painter, screen(selected->start), screen(selected->end),
                          showsSelectionHandles(), palette());
    }
    if (s.measurement && s.measurement->start != s.measurement->end) {
        const QPointF a = screen(s.measurement->start), b = screen(s.measurement->end);
        const QString label = distanceText(*s.measurement);
        const QRectF labelRect = overlayRect((a + b) / 2, measurementLabelSize(label), visible);
        drawMeasurement(painter, a, b, label, labelRect, palette());
    }
    if (s.loupeEnabled && s.loupe && s.sampledPoint)
        drawLoupePanel(painter, overlayRect(screen(*s.sampledPoint), kLoupePanelSize, visible),
                       *s.loupe, palette());
}

void CanvasView::updateCursor() {
    const State& s = *state_;
    Qt::CursorShape shape = Qt::CrossCursor;
    if (s.spaceDown)
        shape = s.panStart ? Qt::ClosedHandCursor : Qt::OpenHandCursor;
    else if (s.readingSelection || s.selectingVoiceLocation)
        shape = Qt::CrossCursor;
    else if (s.tool == CanvasTool::Select)
        shape = Qt::ArrowCursor;
    else if (s.tool == CanvasTool::Text)
        shape = Qt::IBeamCursor;
    viewport()->setCursor(shape);
}

} // namespace lumbex
