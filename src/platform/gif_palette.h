#pragma once

#include "platform/ffmpeg_support.h"

#include <QImage>

namespace lumbex {

// Reduces one picture to at most 256 colours of its own (median cut over a 15-bit colour
// histogram, each colour the mean of the pixels it stands for) and writes it into `frame`, a
// writable PAL8 frame of the picture's size, palette included. No dithering: screen content is
// mostly flat colour, and dithering noise would cost more bytes than it buys.
void quantizeToPalette(const QImage& picture, AVFrame& frame);

} // namespace lumbex
