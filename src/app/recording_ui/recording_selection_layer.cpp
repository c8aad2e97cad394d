#include "app/recording_ui/recording_selection_layer.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace lumbex {

RecordingSelectionLayer::RecordingSelectionLayer(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void RecordingSelectionLayer::setActive(bool active) {
    active_ = active;
    dragging_ = false;
    setAttribute(Qt::WA_TransparentForMouseEvents, !active);
    setCursor(active ? Qt::CrossCursor : Qt::ArrowCursor);
    update();
}

void RecordingSelectionLayer::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    from_ = to_ = event->position();
}

void RecordingSelectionLayer::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return;
    to_ = event->position();
    update();
}

void RecordingSelectionLayer::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    to_ = event->position();
    update();
    emit dragged(from_, to_);
}

void RecordingSelectionLayer::setOutline(std::optional<QRectF> outline) {
    if (outline_ == outline)
        return;
    outline_ = outline;
    update();
}

void RecordingSelectionLayer::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (outline_) {
        QPainterPath outside;
        outside.addRect(rect());
        outside.addRect(*outline_);
        painter.fillPath(outside, QColor(0, 0, 0, 110));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawRect(*outline_);
    }
    if (!dragging_)
        return;
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.setBrush(QColor(255, 255, 255, 40));
    painter.drawRect(QRectF(from_, to_).normalized());
}

} // namespace lumbex
