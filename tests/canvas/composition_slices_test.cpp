#include "canvas/base_layer.h"
#include "canvas/composition.h"
#include "geometry/mark_geometry.h"
#include "geometry/text_metrics.h"
#include "support/test_marks.h"

#include <QPainter>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

QImage canvasFor(const Rect& output) {
    QImage image(int(output.width), int(output.height), QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(annotationDotsPerMeter());
    image.setDotsPerMeterY(annotationDotsPerMeter());
    image.fill(Qt::transparent);
    return image;
}

void begin(QPainter& painter, const Rect& output) {
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(-output.x, -output.y);
}

// The largest difference of any channel of any pixel.
int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest =
                std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return largest;
}

// The canvas draws a gesture as three slices (below, the changing mark, above); stacked they must
// be the composition itself wherever the split falls, up to the rounding of blending an
// antialiased edge twice in 8 bits. A tall image with a padded background moves the output's
// origin away from the image's, so a slice drawn at the wrong offset shows.
TEST(CompositionSlicesTest, StackedSlicesEqualTheWholeComposition) {
    QImage original(160, 480, QImage::Format_RGB32);
    for (int y = 0; y < original.height(); ++y)
        for (int x = 0; x < original.width(); ++x)
            original.setPixel(x, y, qRgb(x * 3 % 256, y * 5 % 256, (x ^ y) % 256));
    Media media;
    media.id = newId();
    media.width = original.width();
    media.height = original.height();
    media.background = ImageBackground{};
    media.background->padding = 40;

    std::vector<Mark> marks{makeMark(MarkKind::Rectangle, {10, 10}, {80, 60}),
                            makeMark(MarkKind::Redact, {30, 30}, {50, 50}),
                            makeMark(MarkKind::Magnify, {60, 40}, {120, 100}),
                            makeMark(MarkKind::Arrow, {150, 10}, {40, 90}),
                            makeMark(MarkKind::Ellipse, {20, 380}, {140, 470}),
                            makeMark(MarkKind::Line, {15, 40}, {75, 44})}; // under the redaction
    marks[2].magnificationCenter = Point{40, 40};
    const MarkNumbers numbers{{marks[0].id, 1}, {marks[3].id, 2}, {marks[4].id, 3}};
    const Rect output = outputRect(media, marks, numbers);

    QImage whole = canvasFor(output);
    {
        QPainter painter(&whole);
        begin(painter, output);
        drawComposition(painter, original, media, marks, numbers);
    }
    for (size_t split : {size_t(0), size_t(2), size_t(3), size_t(4), size_t(5)}) {
        QImage below = canvasFor(output), middle = canvasFor(output), above = canvasFor(output);
        {
            QPainter painter(&below);
            begin(painter, output);
            drawBaseLayer(painter, original, media, output);
            drawMarks(painter, original, media, output, marks, numbers, 0, split, false);
        }
        {
            QPainter painter(&middle);
            begin(painter, output);
            drawMarks(painter, original, media, output, marks, numbers, split, split + 1, false);
        }
        {
            QPainter painter(&above);
            begin(painter, output);
            drawMarks(painter, original, media, output, marks, numbers, split + 1, marks.size(),
                      true);
        }
        QImage stacked = below;
        {
            QPainter painter(&stacked);
            painter.drawImage(0, 0, middle);
            painter.drawImage(0, 0, above);
        }
        EXPECT_LE(largestDifference(stacked, whole), 2) << "split at " << split;
    }
}

} // namespace
} // namespace lumbex
