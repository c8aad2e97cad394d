#pragma once

#include <QByteArray>
#include <QImage>

namespace lumbex {

// PNG bytes for a fresh capture, about twice as fast as the general image encoder at a similar
// size: every row "Up"-filtered (screens repeat rows: flat panels, text lines, window edges) and
// compressed with libdeflate at level 4 in one pass. Tagged sRGB. Opaque images are stored as
// RGB, others as RGBA (straight alpha). Throws LumbexError when memory runs out.
QByteArray encodeCapturePng(const QImage& image);

} // namespace lumbex
