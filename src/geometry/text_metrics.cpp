#include "geometry/text_metrics.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>

namespace lumbex {
namespace {

// Font metrics follow the logical DPI of the device they are taken on. Each thread keeps its own
// tiny 72-dpi image, so measuring needs no lock and works off the GUI thread.
const QImage& measuringDevice() {
    thread_local const QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(annotationDotsPerMeter());
        image.setDotsPerMeterY(annotationDotsPerMeter());
        return image;
    }();
    return device;
}

} // namespace

QFont annotationFont(double pointSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::DemiBold);
    font.setPointSizeF(pointSize);
    return font;
}

// 72 dots per inch, as the nearest whole number of dots per metre.
int annotationDotsPerMeter() {
    return 2835;
}

QSizeF measureText(const QString& text, const QFont& font, double wrapWidth) {
    const QFontMetricsF metrics(font, &measuringDevice());
    // Unlimited height, kept well inside the 26.6 fixed-point range of Qt's text layout.
    const QRectF box(0, 0, wrapWidth, 1e7);
    return metrics.boundingRect(box, Qt::TextWordWrap | Qt::AlignLeft, text).size();
}

} // namespace lumbex
