#pragma once

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QStringList>

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

// Four quarters of different colours, so that a wrong byte order or a wrong cut shows; `shade`
// tells pictures of one size apart.
inline QImage quarters(QSize size, int shade = 0) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    painter.fillRect(0, 0, w, h, QColor(200, shade, 0));
    painter.fillRect(w, 0, size.width() - w, h, QColor(0, 180, shade));
    painter.fillRect(0, h, w, size.height() - h, QColor(shade, 0, 220));
    painter.fillRect(w, h, size.width() - w, size.height() - h, QColor(250, 250, shade));
    return image;
}

// How screen text is drawn at 1×: a terminal's, unless told otherwise.
struct TextStyle {
    QString family = QStringLiteral("DejaVu Sans Mono");
    int pixelSize = 14;
    QColor ink = QColor("#1b1b1b");
    QColor background = QColor("#fbfbf8");
};

// An image of `size` showing `lines`, the first on the baseline at `origin` and each next one
// `pitch` pixels below.
inline QImage textScreen(QSize size, const QStringList& lines, const TextStyle& style = {},
                         QPoint origin = {20, 34}, int pitch = 20) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(style.background);
    QPainter painter(&image);
    QFont font(style.family);
    font.setPixelSize(style.pixelSize);
    painter.setFont(font);
    painter.setPen(style.ink);
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(origin + QPoint(0, pitch * i), lines[i]);
    return image;
}

} // namespace lumbex::test
