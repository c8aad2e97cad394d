#include "scrolling_page.h"

#include <QPainter>
#include <random>

namespace lumbex::bench {

QImage scrollingPage(int width, int height, unsigned seed) {
    constexpr int lineHeight = 26;
    QImage page(width, height, QImage::Format_RGB32);
    page.fill(QColor(252, 252, 250));
    QPainter painter(&page);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font = painter.font();
    font.setPixelSize(15);
    painter.setFont(font);

    std::mt19937 random{seed};
    std::uniform_int_distribution<int> wordCount(2, 26), wordLength(1, 11), letter(0, 25),
        highlight(0, 7), indent(0, 4);
    for (int y = 0; y < height; y += lineHeight) {
        if (highlight(random) == 0)
            painter.fillRect(0, y, width, lineHeight, QColor(255, 243, 176));
        QString line;
        for (int words = wordCount(random); words > 0; --words) {
            for (int length = wordLength(random); length > 0; --length)
                line += QChar(u'a' + letter(random));
            line += u' ';
        }
        painter.setPen(QColor(36, 38, 44));
        painter.drawText(48 + 32 * indent(random), y + 19, line);
    }
    return page;
}

} // namespace lumbex::bench
