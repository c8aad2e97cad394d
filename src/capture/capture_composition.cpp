#include "capture/capture_composition.h"

#include <QPainter>
#include <cmath>
#include <vector>

namespace lumbex {

QImage withCursor(const ScreenGrab& grab, const CursorImage& cursor) {
    QImage image = grab.image;
    const QPoint topLeft = cursor.position - cursor.hotspot - grab.origin;
    if (!image.rect().intersects(QRect(topLeft, cursor.image.size())))
        return image;
    QPainter painter(&image);
    painter.drawImage(topLeft, cursor.image);
    return image;
}

namespace {

// How much of a blurred edge from `from` to `to` covers pixel column (or row) `i`, sampled at
// the pixel's centre: the Gaussian-blurred box is the product of one such profile per axis.
std::vector<double> blurredSpan(int length, double from, double to) {
    const double scale = 1 / (WindowShadow::kBlur * std::sqrt(2.0));
    std::vector<double> coverage(length);
    for (int i = 0; i < length; ++i) {
        const double centre = i + 0.5;
        coverage[i] = 0.5 * (std::erf((centre - from) * scale) - std::erf((centre - to) * scale));
    }
    return coverage;
}

} // namespace

QImage withWindowShadow(const QImage& window) {
    using namespace WindowShadow;
    const QSize size(window.width() + 2 * kMarginSide,
                     window.height() + kMarginTop + kMarginBottom);
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    const std::vector<double> across =
        blurredSpan(size.width(), kMarginSide, kMarginSide + window.width());
    const std::vector<double> down =
        blurredSpan(size.height(), kMarginTop + kOffsetY, kMarginTop + kOffsetY + window.height());
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgba(0, 0, 0, int(std::lround(255 * kOpacity * across[x] * down[y])));
    }
    QPainter painter(&canvas);
    painter.drawImage(QPoint(kMarginSide, kMarginTop), window);
    return canvas;
}

} // namespace lumbex
