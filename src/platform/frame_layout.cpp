#include "platform/frame_layout.h"

#include <QPainter>

namespace lumbex {

QImage renderFrame(const QImage& source, const FrameLayout& layout) {
    QImage picture = source;
    if (!layout.blackout.empty()) {
        QPainter painter(&picture);
        for (const QRect& rect : layout.blackout)
            painter.fillRect(rect, Qt::black);
    }
    QImage output(layout.output, QImage::Format_RGB32);
    output.fill(Qt::black);
    QPainter painter(&output);
    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                          layout.crop.size() != layout.target.size());
    painter.drawImage(layout.target, picture, layout.crop);
    return output;
}

} // namespace lumbex
