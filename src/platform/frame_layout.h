#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <vector>

namespace lumbex {

// How one source picture becomes one output frame: the source pixels of `blackout` turn black
// first (so that scaling cannot carry any of them into the output), then the `crop` of the source
// is scaled into `target`, and the rest of the `output` is black.
struct FrameLayout {
    QSize output;
    QRect crop;                  // source pixels, inside the source
    QRect target;                // output pixels, even position and size, inside the output
    std::vector<QRect> blackout; // source pixels

    bool operator==(const FrameLayout&) const = default;
};

// The output frame of `source` drawn with QPainter, Format_RGB32.
QImage renderFrame(const QImage& source, const FrameLayout& layout);

} // namespace lumbex
