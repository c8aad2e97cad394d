#pragma once

#include <QImage>

namespace lumbex::bench {

// A long document page `width` pixels wide: a line of text every 26 rows, words of varied
// length, some lines highlighted, content all the way down so that every frame read from it has
// something to align on.
QImage scrollingPage(int width, int height, unsigned seed);

} // namespace lumbex::bench
