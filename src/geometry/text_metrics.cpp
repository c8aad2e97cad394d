#include "geometry/text_metrics.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <tuple>

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

// Laying text out is by far the dearest step of a mark's geometry, and the same few texts are
// measured again for every output size, validation and partial render. Each thread remembers its
// recent measurements; the cache is emptied when it grows past a few hundred entries.
struct Measurement {
    QString text;
    QString family;
    double pointSize;
    int weight;
    double wrapWidth;

    friend bool operator==(const Measurement&, const Measurement&) = default;
    friend size_t qHash(const Measurement& m, size_t seed = 0) {
        return qHashMulti(seed, m.text, m.family, m.pointSize, m.weight, m.wrapWidth);
    }
};

constexpr qsizetype kRememberedMeasurements = 512;

QHash<Measurement, QSizeF>& recentMeasurements() {
    thread_local QHash<Measurement, QSizeF> cache;
    return cache;
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
    const Measurement key{text, font.family(), font.pointSizeF(), font.weight(), wrapWidth};
    auto& cache = recentMeasurements();
    if (const auto found = cache.constFind(key); found != cache.constEnd())
        return *found;
    const QFontMetricsF metrics(font, &measuringDevice());
    // Unlimited height, kept well inside the 26.6 fixed-point range of Qt's text layout.
    const QRectF box(0, 0, wrapWidth, 1e7);
    const QSizeF size = metrics.boundingRect(box, Qt::TextWordWrap | Qt::AlignLeft, text).size();
    if (cache.size() >= kRememberedMeasurements)
        cache.clear();
    cache.insert(key, size);
    return size;
}

} // namespace lumbex
