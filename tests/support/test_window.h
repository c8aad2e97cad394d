#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace lumbex::test {

// What `lumbex_test_window` shows: its colour with a white 16 × 16 square 8 pixels in from the
// top-left corner and a black one 8 pixels in from the bottom-right, so that a grab proves its
// position and orientation.
inline QImage testWindowContent(QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            image.setPixel(8 + x, 8 + y, qRgb(255, 255, 255));
            image.setPixel(size.width() - 24 + x, size.height() - 24 + y, qRgb(0, 0, 0));
        }
    return image;
}

} // namespace lumbex::test
