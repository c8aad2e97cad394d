#include "app/editor/canvas_zoom.h"

#include "app/editor/editor_context.h"
#include "canvas/canvas_view.h"

#include <QWidget>
#include <algorithm>

namespace lumbex {
namespace {

constexpr double kMinimumZoom = 0.03;
constexpr double kMaximumZoom = 8.0;
// Room around a selection zoomed to: a margin in source pixels, and view points on each axis.
constexpr double kSelectionMargin = 24;
constexpr int kSelectionInset = 160;

} // namespace

CanvasZoom::CanvasZoom(EditorContext& context) : context_(context) {}

double CanvasZoom::pixelRatio() const {
    return context_.window().devicePixelRatioF();
}

std::optional<double> CanvasZoom::displayZoom() const {
    if (fit_)
        return std::nullopt;
    return context_.canvas().zoom() * pixelRatio();
}

void CanvasZoom::set(std::optional<double> zoom) {
    if (!zoom) {
        fit_ = true;
        applyFit();
    } else {
        fit_ = false;
        context_.canvas().setZoom(std::clamp(*zoom, kMinimumZoom, kMaximumZoom) / pixelRatio());
    }
    if (changed)
        changed();
}

void CanvasZoom::set(double zoom, Point anchor) {
    fit_ = false;
    context_.canvas().setZoom(std::clamp(zoom, kMinimumZoom, kMaximumZoom) / pixelRatio(), anchor);
    if (changed)
        changed();
}

void CanvasZoom::zoomBy(double factor) {
    set(context_.canvas().zoom() * pixelRatio() * factor);
}

void CanvasZoom::zoomToSelection() {
    const Mark* mark = context_.selectedMark();
    if (!mark)
        return;
    CanvasView& canvas = context_.canvas();
    const Rect bounds = mark->rect().outset(kSelectionMargin);
    const QSize view = canvas.viewport()->size();
    const double zoom = std::min((view.width() - kSelectionInset) / std::max(bounds.width, 1.0),
                                 (view.height() - kSelectionInset) / std::max(bounds.height, 1.0));
    set(zoom * pixelRatio());
    canvas.centerOn(bounds.center());
}

void CanvasZoom::applyFit() {
    CanvasView& canvas = context_.canvas();
    if (fit_ && canvas.media())
        canvas.setZoom(canvas.fitZoom());
}

QString CanvasZoom::text() const {
    const std::optional<double> zoom = displayZoom();
    return zoom ? QString::number(qRound(*zoom * 100)) + QLatin1Char('%') : QStringLiteral("Fit");
}

} // namespace lumbex
