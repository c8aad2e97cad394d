#pragma once

#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

namespace lumbex::test {

// Lines of dark "words" on white, with varied line heights, word lengths, shades and gaps.
inline QImage textPage(int width, int height, quint32 seed) {
    QRandomGenerator random(seed);
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    for (int y = 0; y < height;) {
        const int lineHeight = random.bounded(7, 13);
        for (int x = random.bounded(2, 20); x < width;) {
            const int word = random.bounded(6, 48);
            const int shade = random.bounded(0, 160);
            painter.fillRect(x, y, word, lineHeight, QColor(shade, shade / 2, 255 - shade));
            x += word + random.bounded(4, 14);
        }
        y += lineHeight + random.bounded(2, 7);
    }
    return page;
}

// Every row one random colour, so that no two offsets of the page look alike.
inline QImage stripedPage(int width, int height, quint32 seed) {
    QRandomGenerator random(seed);
    QImage page(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(page.scanLine(y)), width,
                    qRgb(random.bounded(256), random.bounded(256), random.bounded(256)));
    return page;
}

} // namespace lumbex::test
