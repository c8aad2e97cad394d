#include "canvas/rendering.h"

#include "canvas/composition.h"
#include "core/error.h"
#include "geometry/mark_geometry.h"
#include "geometry/text_metrics.h"
#include "model/image_content.h"
#include "model/image_files.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace lumbex::Rendering {
namespace {

constexpr int kMaximumSide = 32768;

struct Canvas {
    Rect region;      // source pixels covered
    double scale = 1; // output pixels per source pixel
    QSize pixels;     // size of the bitmap
    bool jpeg = false;
    bool smooth = false;
};

int pixelCount(double length, int cap) {
    return std::clamp(int(std::ceil(length)), 1, cap);
}

QImage compose(const QImage& original, const Media& media, const std::vector<Mark>& marks,
               const MarkNumbers& numbers, const Canvas& canvas) {
    QImage image(canvas.pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw LumbexError(QStringLiteral("There is not enough memory to export this image."));
    // Text is measured at 72 dpi, where a point is a pixel: draw at the same resolution.
    image.setDotsPerMeterX(annotationDotsPerMeter());
    image.setDotsPerMeterY(annotationDotsPerMeter());
    image.fill(canvas.jpeg ? Qt::white : Qt::transparent);

    QPainter painter;
    if (!painter.begin(&image))
        throw LumbexError(QStringLiteral("The image could not be rendered."));
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, canvas.smooth);
    painter.scale(canvas.scale, canvas.scale);
    painter.translate(-canvas.region.x, -canvas.region.y);
    drawComposition(painter, original, media, marks, numbers);
    if (!painter.end())
        throw LumbexError(QStringLiteral("The image could not be rendered."));
    return image;
}

// Full size, nearest-neighbour: what a request or an export carries.
QImage composeFullSize(const QImage& original, const Media& media, const std::vector<Mark>& marks,
                       const MarkNumbers& numbers, const Rect& region, bool jpeg) {
    validateSize(region);
    const QSize pixels(pixelCount(region.width, kMaximumSide),
                       pixelCount(region.height, kMaximumSide));
    return compose(original, media, marks, numbers, {region, 1, pixels, jpeg, false});
}

Rect selectedRegion(const CaptureNote& note, const Media& media, const std::vector<Mark>& marks,
                    const Id& selectedID, const Rect& output) {
    const auto mark =
        std::find_if(marks.begin(), marks.end(), [&](const Mark& m) { return m.id == selectedID; });
    if (mark == marks.end())
        throw LumbexError(QStringLiteral("Select an annotation to copy."));
    const Rect bounds =
        drawnBounds(*mark, note.number(mark->id).has_value(), media.crop).roundedOut();
    const Rect region = bounds.intersected(output);
    if (region.isEmpty())
        throw LumbexError(QStringLiteral(
            "The selected annotation is outside the cropped image. Move it inside or "
            "restore the full image before copying."));
    return region;
}

bool isInside(const Rect& output, Point at) {
    return at.isFinite() && output.contains(at);
}

} // namespace

QImage render(const CaptureNote& note, const Media& media, const QByteArray& original, bool jpeg,
              const std::optional<Id>& selectedID) {
    validateFrame(note, media);
    const QImage decoded = ImageFiles::image(original);
    const std::vector<Mark> marks = note.marksOn(media.id);
    const MarkNumbers numbers = note.numbers(marks);
    const Rect output = outputRect(media, marks, numbers);
    const Rect region =
        selectedID ? selectedRegion(note, media, marks, *selectedID, output) : output;
    return composeFullSize(decoded, media, marks, numbers, region, jpeg);
}

QImage render(const QImage& original, const Media& media, const std::vector<Mark>& marks,
              const MarkNumbers& numbers, bool jpeg, const std::optional<Rect>& region,
              std::optional<int> maximumPixelSize) {
    const Rect output = outputRect(media, marks, numbers);
    const Rect covered = region ? output.intersected(region->roundedOut()) : output;
    validateSize(covered);
    if (!maximumPixelSize)
        return composeFullSize(original, media, marks, numbers, covered, jpeg);
    const int maximum = *maximumPixelSize;
    if (maximum < 1 || maximum > 2048)
        throw LumbexError(QStringLiteral("Choose a preview size between 1 and 2048 pixels."));
    const double scale = std::min(1.0, maximum / std::max(covered.width, covered.height));
    const QSize pixels(pixelCount(scale * covered.width, maximum),
                       pixelCount(scale * covered.height, maximum));
    return compose(original, media, marks, numbers, {covered, scale, pixels, jpeg, true});
}

std::optional<PixelLoupe> pixelLoupe(const QImage& original, const Media& media,
                                     const std::vector<Mark>& marks, const MarkNumbers& numbers,
                                     Point at, const QImage* rendered) {
    const Rect output = outputRect(media, marks, numbers);
    if (!isInside(output, at))
        return std::nullopt;
    const QPoint point(int(std::floor(at.x)), int(std::floor(at.y)));
    const Rect region = Rect{point.x() - 7.0, point.y() - 7.0, 15, 15}.intersected(output);
    const QRect pixels(int(region.x), int(region.y), int(region.width), int(region.height));

    QImage image;
    if (rendered) {
        image = rendered->copy(pixels.translated(-int(output.x), -int(output.y)));
    } else if (media.background) {
        // The shadow and gradient depend on the whole output: compose it, then cut.
        image = composeFullSize(original, media, marks, numbers, output, false)
                    .copy(pixels.translated(-int(output.x), -int(output.y)));
    } else {
        image = composeFullSize(original, media, marks, numbers, region, false);
    }
    return PixelLoupe{point, pixels, image};
}

std::optional<QColor> sample(const QImage& original, const Media& media,
                             const std::vector<Mark>& marks, const MarkNumbers& numbers, Point at,
                             const QImage* rendered) {
    const Rect output = outputRect(media, marks, numbers);
    if (!isInside(output, at))
        return std::nullopt;
    const QPoint point(int(std::floor(at.x)), int(std::floor(at.y)));
    QRgb pixel;
    if (rendered) {
        pixel = rendered->pixel(point - QPoint(int(output.x), int(output.y)));
    } else {
        const Rect one{double(point.x()), double(point.y()), 1, 1};
        pixel = compose(original, media, marks, numbers, {one, 1, QSize(1, 1), false, false})
                    .pixel(0, 0);
    }
    return QColor::fromRgba(qUnpremultiply(pixel));
}

} // namespace lumbex::Rendering
