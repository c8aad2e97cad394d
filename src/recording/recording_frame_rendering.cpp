#include "recording/recording_frame_rendering.h"

#include <QPainter>

namespace lumbex {
namespace {

QRectF toQRectF(const Rect& rect) {
    return {rect.x, rect.y, rect.width, rect.height};
}

// The source with its active redactions blacked out; the source itself (shared, not copied)
// when none is active.
QImage redacted(const QImage& source, const ScreenRecording& recording, qint64 sourceTime) {
    QImage image = source;
    QPainter painter;
    for (const RecordingRedaction& redaction : recording.redactions) {
        if (!redaction.range.contains(sourceTime))
            continue;
        if (!painter.isActive())
            painter.begin(&image);
        // Whole pixels, rounded outward: a partly covered pixel is covered.
        const Rect whole = redaction.rect.roundedOut();
        painter.fillRect(QRect(int(whole.x), int(whole.y), int(whole.width), int(whole.height)),
                         Qt::black);
    }
    return image;
}

} // namespace

QImage renderRecordingFrame(const QImage& source, const ScreenRecording& recording,
                            qint64 sourceTime, const RecordingOutputSize& size) {
    const QImage picture = redacted(source, recording, sourceTime);
    const Rect visible = recording.visibleRect();
    const double width = size.scale * visible.width;
    const double height = size.scale * visible.height;
    const QRectF target((size.width - width) / 2, (size.height - height) / 2, width, height);

    QImage output(size.width, size.height, QImage::Format_RGB32);
    output.fill(Qt::black);
    QPainter painter(&output);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, size.scale != 1);
    painter.drawImage(target, picture, toQRectF(visible));
    return output;
}

} // namespace lumbex
