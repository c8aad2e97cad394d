#include "canvas/annotation_accessibility.h"
#include "canvas/canvas_view.h"
#include "canvas/canvas_view_state.h"
#include "canvas/gesture_rules.h"
#include "canvas/hit_testing.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QWheelEvent>
#include <cmath>

namespace lumbex {
namespace {

constexpr double kWheelZoomStep = 1.25;
constexpr int kWheelNotch = 120;

bool commandHeld(Qt::KeyboardModifiers modifiers) {
    return modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
}

} // namespace

void CanvasView::mousePressEvent(QMouseEvent* event) {
    press(event, false);
}

void CanvasView::mouseDoubleClickEvent(QMouseEvent* event) {
    press(event, true);
}

void CanvasView::press(QMouseEvent* event, bool doubleClick) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    State& s = *state_;
    setFocus(Qt::MouseFocusReason);
    const Point p = pixel(event->position());
    if (s.loupeEnabled || s.tool == CanvasTool::Measure)
        requestSample(p);
    if (s.spaceDown) {
        s.panStart = event->globalPosition().toPoint();
        s.panOrigin = {horizontalScrollBar()->value(), verticalScrollBar()->value()};
        updateCursor();
        return;
    }
    if (!s.media)
        return;
    const bool voice = s.selectingVoiceLocation;
    if (s.tool == CanvasTool::Measure && !voice && !s.readingSelection &&
        !outputBounds().contains(p))
        return;
    const bool withinImage =
        s.tool == CanvasTool::Crop || s.readingSelection || (voice && s.media->crop.has_value());
    if (withinImage && !visibleRect().contains(p))
        return;
    s.dragBounds = outputBounds();
    s.startPoint = p;
    pressWithTool(p, doubleClick);
    viewport()->update();
}

void CanvasView::pressWithTool(Point p, bool doubleClick) {
    State& s = *state_;
    const DrawingDefaults defaults = editor_.drawingDefaults();
    if (s.selectingVoiceLocation) {
        s.voiceCandidate = hit(p);
        s.draft = newDraft(CanvasTool::Pointer, s.media->id, p, defaults);
        return;
    }
    if (s.tool == CanvasTool::Select && !s.readingSelection) {
        const Mark* selected = s.selectedID ? mark(*s.selectedID) : nullptr;
        if (selected && showsSelectionHandles() && grabsHandle(*selected, p, s.zoom)) {
            s.resizing = true;
            s.beforeDrag = s.draft = *selected;
            return;
        }
        const std::optional<Id> found = hit(p);
        select(found, true, true);
        if (!found)
            return;
        const Mark hitMark = *mark(*found);
        if (doubleClick && hitMark.kind == MarkKind::Text) {
            clearGesture();
            editor_.addTextMark(hitMark, true);
            return;
        }
        s.beforeDrag = s.draft = hitMark;
        return;
    }
    select(std::nullopt, false, true);
    if (s.tool == CanvasTool::Measure && !s.readingSelection) {
        s.measurement = PixelMeasurement{p, p};
        editor_.updateMeasurements();
        return;
    }
    // A text-recognition drag draws a plain rectangle whatever the tool.
    const CanvasTool drawing = s.readingSelection ? CanvasTool::Crop : s.tool;
    s.draft = newDraft(drawing, s.media->id, p, defaults);
}

void CanvasView::mouseMoveEvent(QMouseEvent* event) {
    drag(event);
}

void CanvasView::drag(QMouseEvent* event) {
    State& s = *state_;
    if (s.panStart) {
        const QPoint moved = event->globalPosition().toPoint() - *s.panStart;
        horizontalScrollBar()->setValue(s.panOrigin.x() - moved.x());
        verticalScrollBar()->setValue(s.panOrigin.y() - moved.y());
        return;
    }
    Point p = pixel(event->position());
    if (!s.startPoint) {
        if (s.loupeEnabled)
            requestSample(p);
        return;
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    if (s.tool == CanvasTool::Measure && s.measurement && !s.readingSelection &&
        !s.selectingVoiceLocation) {
        p = clamped(p, outputBounds());
        if (shift)
            p = measureConstrained(*s.startPoint, p);
        s.measurement->end = p;
        requestSample(p);
        editor_.updateMeasurements();
        viewport()->update();
        return;
    }
    if (!s.draft)
        return;
    if (s.tool == CanvasTool::Crop || s.media->crop || s.readingSelection)
        p = clamped(p, visibleRect());
    if (s.beforeDrag) {
        Mark moved = *s.beforeDrag;
        if (s.resizing) {
            // The handle is the mark's end, so the constraint is drawn from the mark's start.
            if (shift)
                p = shiftConstrained(moved.kind, moved.start, p, s.media->crop);
            moved.resizeTo(p);
        } else {
            moved.translate(p.x - s.startPoint->x, p.y - s.startPoint->y);
        }
        s.draft = moved;
        editor_.updateMeasurements();
    } else {
        if (shift && !s.selectingVoiceLocation)
            p = shiftConstrained(s.draft->kind, *s.startPoint, p, s.media->crop);
        s.draft->end = p;
        if (s.draft->points)
            s.draft->points->push_back(p);
    }
    viewport()->update();
}

void CanvasView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    release();
}

void CanvasView::release() {
    State& s = *state_;
    if (s.panStart) {
        s.panStart.reset();
        updateCursor();
        return;
    }
    if (!s.startPoint)
        return;
    const std::optional<Mark> draft = s.draft;
    const std::optional<Mark> before = s.beforeDrag;
    const bool voice = s.selectingVoiceLocation;
    const bool reading = s.readingSelection;
    const std::optional<Id> candidate = s.voiceCandidate;
    const double zoom = s.zoom;
    // The gesture ends before the editor hears of it: its answer may replace the content.
    clearGesture();

    if (voice) {
        s.selectingVoiceLocation = false;
        s.voiceCandidate.reset();
        updateCursor();
        if (draft)
            editor_.dictateLocation(*draft,
                                    definesVoiceLocation(*draft, zoom) ? std::nullopt : candidate);
    } else if (reading) {
        s.readingSelection = false;
        updateCursor();
        if (const std::optional<Rect> region = draft ? textRecognitionRegion(*draft) : std::nullopt)
            editor_.extractText(*region);
    } else if (before) {
        if (draft && *draft != *before)
            editor_.updateMark(*draft);
    } else if (draft && s.tool != CanvasTool::Measure) {
        const CreationOutcome outcome = finishCreation(s.tool, *draft);
        switch (outcome.action) {
        case CreationOutcome::Action::SetCrop:
            editor_.setCrop(outcome.crop);
            break;
        case CreationOutcome::Action::AddText:
            editor_.addTextMark(outcome.mark, false);
            break;
        case CreationOutcome::Action::AddMark:
            editor_.addMark(outcome.mark);
            break;
        case CreationOutcome::Action::Discard:
            break;
        }
    }
    editor_.updateMeasurements();
}

void CanvasView::keyPressEvent(QKeyEvent* event) {
    if (!handleShortcut(event))
        event->ignore();
}

bool CanvasView::handleShortcut(QKeyEvent* event) {
    State& s = *state_;
    const int key = event->key();
    if (commandHeld(event->modifiers()))
        return false;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_Space:
        if (!event->isAutoRepeat()) {
            s.spaceDown = true;
            updateCursor();
        }
        return true;
    case Qt::Key_Escape:
        cancelGesture();
        editor_.selectTool(CanvasTool::Select);
        return true;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (!s.selectedID)
            return false;
        editor_.deleteAnnotation();
        return true;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down: {
        if (!s.selectedID || !mark(*s.selectedID))
            return false;
        const double step = shift ? 10 : 1;
        const double dx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0;
        const double dy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0;
        nudge(dx, dy);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!s.selectedID)
            return false;
        editor_.editSelectedNote();
        return true;
    case Qt::Key_N:
        if (!s.media)
            return false;
        editor_.addCenteredNote(visibleCenter());
        return true;
    default:
        break;
    }
    if (key < Qt::Key_A || key > Qt::Key_Z)
        return false;
    const std::optional<CanvasTool> tool = toolForShortcut(QChar(u'A' + (key - Qt::Key_A)));
    if (!tool)
        return false;
    setTool(*tool);
    editor_.selectTool(*tool);
    return true;
}

void CanvasView::nudge(double dx, double dy) {
    Mark moved = *mark(*state_->selectedID);
    moved.translate(dx, dy);
    editor_.updateMark(moved);
}

void CanvasView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        state_->spaceDown = false;
        state_->panStart.reset();
        updateCursor();
        return;
    }
    event->ignore();
}

void CanvasView::zoomBy(double factor, QPointF around) {
    if (!state_->media)
        return;
    editor_.setDisplayZoom(state_->zoom * devicePixelRatioF() * factor, pixel(around));
}

void CanvasView::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const double notches = double(event->angleDelta().y()) / kWheelNotch;
    zoomBy(std::pow(kWheelZoomStep, notches), event->position());
    event->accept();
}

bool CanvasView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::NativeGesture) {
        auto* gesture = static_cast<QNativeGestureEvent*>(event);
        if (gesture->gestureType() == Qt::ZoomNativeGesture) {
            zoomBy(1 + gesture->value(), gesture->position());
            return true;
        }
    }
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        showToolTip(help->pos(), help->globalPos());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void CanvasView::showToolTip(const QPoint& viewportPoint, const QPoint& globalPoint) {
    const State& s = *state_;
    const std::optional<Id> found = s.media ? hit(pixel(viewportPoint)) : std::nullopt;
    const Mark* over = found ? mark(*found) : nullptr;
    if (!over) {
        QToolTip::hideText();
        return;
    }
    const auto number = s.scene.numbers.find(over->id);
    const QString label = annotationLabel(
        *over, number == s.scene.numbers.end() ? std::nullopt : std::optional(number->second),
        size_t(over - s.scene.marks.data()), s.media->name);
    QToolTip::showText(globalPoint,
                       label + QLatin1Char('\n') +
                           annotationValue(*over, s.selectedID == over->id) + QLatin1Char('\n') +
                           annotationHelp(*over),
                       viewport());
}

void CanvasView::contextMenuEvent(QContextMenuEvent* event) {
    if (state_->media) {
        if (const std::optional<Id> found = hit(pixel(event->pos())))
            select(found, true, true);
    }
    editor_.showContextMenu(event->globalPos());
    event->accept();
}

void CanvasView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() || event->mimeData()->hasImage())
        event->acceptProposedAction();
}

void CanvasView::dropEvent(QDropEvent* event) {
    if (editor_.dropImages(*event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

} // namespace lumbex
