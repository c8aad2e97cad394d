#include "app/recording_ui/recording_selection_layer.h"

#include <QMouseEvent>
#include <QPainter>

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

void RecordingSelectionLayer::paintEvent(QPaintEvent*) {
    if (!dragging_)
        return;
    QPainter painter(this);
    painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
    painter.setBrush(QColor(255, 255, 255, 40));
    painter.drawRect(QRectF(from_, to_).normalized());
}

} // namespace lumbex
