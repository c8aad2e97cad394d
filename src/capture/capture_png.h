#pragma once

#include <QByteArray>
#include <QImage>

namespace lumbex {

// PNG bytes for a fresh capture, several times faster than the general image encoder and smaller
// on screens: rows that repeat along themselves (text, window edges and panels, which deflate
// finds by itself) unfiltered, the others (photographs, soft gradients) and those that repeat the
// row above "Up"-filtered, and compressed with libdeflate at level 4 in one pass. Tagged sRGB.
// Opaque images are stored as RGB, others as RGBA (straight alpha). Throws LumbexError when
// memory runs out.
QByteArray encodeCapturePng(const QImage& image);

} // namespace lumbex
