#pragma once

#include "records/capture_note.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <optional>

namespace lumbex {

// The magnified pixels around one point: at most 15 × 15, cut to the output.
struct PixelLoupe {
    QPoint point;
    QRect region;
    QImage image;
};

// Flattened pictures of one image of a note. Every picture Lumbex hands out comes from here, so
// an export shows exactly what the canvas shows. Results are ARGB32 premultiplied at 72 dpi.
namespace Rendering {

// Full size, pixel for pixel (nearest-neighbour): the whole output, or only the region around
// one selected mark. Throws LumbexError with the reader-facing message.
QImage render(const CaptureNote& note, const Media& media, const QByteArray& original, bool jpeg,
              const std::optional<Id>& selectedID);

// From a decoded original: the output (cut to `region` when given), at full size or scaled down
// to fit `maximumPixelSize` (1…2048, smoothly interpolated).
QImage render(const QImage& original, const Media& media, const std::vector<Mark>& marks,
              const MarkNumbers& numbers, bool jpeg, const std::optional<Rect>& region,
              std::optional<int> maximumPixelSize);

// The 15 × 15 pixels around `at`, or none outside the output. `rendered`, when given, is the full
// composition of the output and is cut instead of composing again.
std::optional<PixelLoupe> pixelLoupe(const QImage& original, const Media& media,
                                     const std::vector<Mark>& marks, const MarkNumbers& numbers,
                                     Point at, const QImage* rendered = nullptr);

// The composed colour of the pixel at `at` (un-premultiplied), or none outside the output.
std::optional<QColor> sample(const QImage& original, const Media& media,
                             const std::vector<Mark>& marks, const MarkNumbers& numbers, Point at,
                             const QImage* rendered = nullptr);

} // namespace Rendering
} // namespace lumbex
