#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>

namespace lumbex::test {

// PNG bytes of a single-colour image.
inline QByteArray solidPng(int width, int height, QColor color = Qt::darkCyan) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, "png").write(image);
    return bytes;
}

} // namespace lumbex::test
