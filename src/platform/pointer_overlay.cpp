#include "platform/pointer_overlay.h"

#include <QPainter>

namespace lumbex {

QRect PointerOverlay::ringBounds(QPoint position) {
    const int reach = kRingRadius + kRingWidth;
    return QRect(position - QPoint(reach, reach), QSize(2 * reach + 1, 2 * reach + 1));
}

void PointerOverlay::dropFadedRings(qint64 now) {
    std::erase_if(rings_, [&](const Ring& ring) { return now - ring.start >= kRingMicroseconds; });
}

bool PointerOverlay::ringsVisible(const QRect& area, qint64 now) const {
    for (const Ring& ring : rings_)
        if (now - ring.start < kRingMicroseconds && ringBounds(ring.position).intersects(area))
            return true;
    return false;
}

void PointerOverlay::draw(QImage& frame, const QRect& area, qint64 now, bool withPointer) const {
    const bool pointerShown = withPointer && pointer_ && pointer_->bounds().intersects(area);
    if (!pointerShown && !ringsVisible(area, now))
        return;
    QPainter painter(&frame);
    painter.translate(-area.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Ring& ring : rings_) {
        const qint64 age = now - ring.start;
        if (age < 0 || age >= kRingMicroseconds)
            continue;
        const double fade = 1.0 - double(age) / double(kRingMicroseconds);
        painter.setPen(QPen(QColor(255, 200, 0, int(200 * fade)), kRingWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QPointF(ring.position), kRingRadius, kRingRadius);
    }
    if (pointerShown)
        painter.drawImage(pointer_->bounds().topLeft(), pointer_->image);
}

} // namespace lumbex
