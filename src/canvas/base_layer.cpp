#include "canvas/base_layer.h"

#include "canvas/qt_geometry.h"
#include "geometry/colors.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace lumbex {
namespace {

// The drop shadow is offset 6 pixels upwards (y grows downwards here), blurred by 18 and drawn in
// black at 24 % opacity.
constexpr double kShadowOffsetY = -6;
constexpr double kShadowBlur = 18;
constexpr double kShadowOpacity = 0.24;
// The shadow mask has one cell per 3 × 3 source pixels: a blur this wide has no finer detail, and
// it keeps the shadow of a five-megapixel image to a few milliseconds.
constexpr int kShadowCell = 3;

// Radii of three successive box filters whose combined variance approximates a Gaussian of
// `sigma` (widths are odd; the narrower ones come first).
std::array<int, 3> boxRadii(double sigma) {
    constexpr int passes = 3;
    const double variance12 = 12 * sigma * sigma;
    int lower = int(std::floor(std::sqrt(variance12 / passes + 1)));
    if (lower % 2 == 0)
        --lower;
    const long lowerCount =
        std::lround((variance12 - passes * lower * lower - 4 * passes * lower - 3 * passes) /
                    (-4.0 * lower - 4));
    std::array<int, 3> radii{};
    for (int i = 0; i < passes; ++i)
        radii[i] = i < lowerCount ? (lower - 1) / 2 : (lower + 1) / 2;
    return radii;
}

// One box pass along rows, from `source` to `target` (same size, Alpha8). Samples beyond the
// edges count as transparent.
void blurRows(const QImage& source, QImage& target, int radius) {
    const int width = source.width();
    const int window = 2 * radius + 1;
    for (int y = 0; y < source.height(); ++y) {
        const uchar* in = source.constScanLine(y);
        uchar* out = target.scanLine(y);
        int sum = 0;
        for (int x = 0; x <= std::min(radius, width - 1); ++x)
            sum += in[x];
        for (int x = 0; x < width; ++x) {
            out[x] = uchar((sum + window / 2) / window);
            if (x + radius + 1 < width)
                sum += in[x + radius + 1];
            if (x - radius >= 0)
                sum -= in[x - radius];
        }
    }
}

// The same along columns, walking rows in order with one running sum per column.
void blurColumns(const QImage& source, QImage& target, int radius) {
    const int width = source.width(), height = source.height();
    const int window = 2 * radius + 1;
    std::vector<int> sums(size_t(width), 0);
    const auto accumulate = [&](int y, int sign) {
        const uchar* in = source.constScanLine(y);
        for (int x = 0; x < width; ++x)
            sums[size_t(x)] += sign * in[x];
    };
    for (int y = 0; y <= std::min(radius, height - 1); ++y)
        accumulate(y, 1);
    for (int y = 0; y < height; ++y) {
        uchar* out = target.scanLine(y);
        for (int x = 0; x < width; ++x)
            out[x] = uchar((sums[size_t(x)] + window / 2) / window);
        if (y + radius + 1 < height)
            accumulate(y + radius + 1, 1);
        if (y - radius >= 0)
            accumulate(y - radius, -1);
    }
}

// The blurred coverage of `shape`, one cell per kShadowCell source pixels, with `origin` the
// source point of the mask's top-left corner. The margin holds the whole blur, so nothing is
// cut off at the mask's edges.
struct ShadowMask {
    QImage alpha;
    QPointF origin;
};

ShadowMask blurredMask(const QPainterPath& shape) {
    const std::array<int, 3> radii = boxRadii(kShadowBlur / 2 / kShadowCell);
    const int margin = radii[0] + radii[1] + radii[2] + 1;
    const QRectF bounds = shape.boundingRect();
    const QPointF origin(std::floor(bounds.left()) - margin * kShadowCell,
                         std::floor(bounds.top()) - margin * kShadowCell);
    const int width = int(std::ceil(bounds.width() / kShadowCell)) + 2 * margin + 1;
    const int height = int(std::ceil(bounds.height() / kShadowCell)) + 2 * margin + 1;

    QImage mask(width, height, QImage::Format_Alpha8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(1.0 / kShadowCell, 1.0 / kShadowCell);
        painter.translate(-origin);
        painter.fillPath(shape, Qt::black);
    }
    QImage scratch(mask.size(), QImage::Format_Alpha8);
    for (int radius : radii) {
        blurRows(mask, scratch, radius);
        blurColumns(scratch, mask, radius);
    }
    return {mask, origin};
}

// Paints only outside the image shape, so the shadow never darkens the image's own edge.
void drawShadow(QPainter& painter, const QPainterPath& shape, const QRectF& output) {
    const ShadowMask mask = blurredMask(shape);
    QPainterPath outside;
    outside.addRect(output);
    outside.addPath(shape);
    outside.setFillRule(Qt::OddEvenFill);

    painter.save();
    painter.setClipPath(outside, Qt::IntersectClip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(painter.opacity() * kShadowOpacity);
    painter.translate(mask.origin + QPointF(0, kShadowOffsetY));
    painter.scale(kShadowCell, kShadowCell);
    painter.drawImage(QPointF(0, 0), mask.alpha);
    painter.restore();
}

void fillBackground(QPainter& painter, const ImageBackground& background, const QRectF& output) {
    const QColor start = backgroundColor(background.color).value_or(QColor(Qt::white));
    const std::optional<QColor> end = background.style == BackgroundStyle::Gradient
                                          ? backgroundColor(background.secondaryColor)
                                          : std::nullopt;
    if (!end) {
        painter.fillRect(output, start);
        return;
    }
    // Pad spread carries the end colours past both ends of the diagonal.
    QLinearGradient gradient(output.topLeft(), output.bottomRight());
    gradient.setSpread(QGradient::PadSpread);
    gradient.setColorAt(0, start);
    gradient.setColorAt(1, *end);
    painter.fillRect(output, gradient);
}

// The corner radius, at most half the visible rect's shorter side so that corners stay circular.
double cornerRadius(const Media& media) {
    const Rect visible = media.visibleRect().standardized();
    const double requested = media.background ? media.background->cornerRadius : 0;
    return std::min(requested, std::min(visible.width, visible.height) * 0.5);
}

} // namespace

void drawImage(QPainter& painter, const QImage& image, const Rect& rect) {
    painter.drawImage(toQt(rect), image, QRectF(image.rect()));
}

void drawBaseLayer(QPainter& painter, const QImage& original, const Media& media,
                   const Rect& output) {
    const QRectF outputRect = toQt(output);
    const QRectF visible = toQt(media.visibleRect());
    const double radius = cornerRadius(media);
    QPainterPath shape;
    if (radius > 0)
        shape.addRoundedRect(visible, radius, radius);
    else
        shape.addRect(visible);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (media.background) {
        fillBackground(painter, *media.background, outputRect);
        if (media.background->shadow)
            drawShadow(painter, shape, outputRect);
    }
    painter.setClipPath(shape, Qt::IntersectClip);
    drawImage(painter, original, media.extent());
    painter.restore();
}

} // namespace lumbex
