#include "screenshot.h"

#include <QBuffer>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <random>

namespace lumbex::bench {
namespace {

void drawWindow(QPainter& painter, const QRect& frame, std::mt19937& random) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 250, 252));
    painter.drawRoundedRect(frame, 18, 18);

    QLinearGradient titleBar(frame.topLeft(), frame.topLeft() + QPoint(0, 56));
    titleBar.setColorAt(0, QColor(236, 236, 240));
    titleBar.setColorAt(1, QColor(214, 214, 222));
    painter.setBrush(titleBar);
    painter.drawRect(frame.x(), frame.y(), frame.width(), 56);

    const QRect sidebar(frame.x(), frame.y() + 56, 420, frame.height() - 56);
    painter.setBrush(QColor(232, 236, 244));
    painter.drawRect(sidebar);

    QFont font = painter.font();
    font.setPixelSize(24);
    painter.setFont(font);
    std::uniform_int_distribution<int> shade(20, 120);
    for (int y = sidebar.y() + 40, row = 0; y < sidebar.bottom() - 20; y += 44, ++row) {
        painter.setPen(QColor(shade(random), shade(random), shade(random)));
        painter.drawText(sidebar.x() + 36, y, QStringLiteral("Project folder %1 — item").arg(row));
    }

    const QRect content(sidebar.right() + 40, frame.y() + 96, frame.width() - sidebar.width() - 80,
                        frame.height() - 136);
    QRadialGradient chart(content.center(), content.height() / 2.0);
    chart.setColorAt(0, QColor(120, 170, 250));
    chart.setColorAt(0.6, QColor(200, 220, 250));
    chart.setColorAt(1, QColor(250, 250, 252));
    painter.setPen(Qt::NoPen);
    painter.setBrush(chart);
    painter.drawRect(content.adjusted(0, content.height() / 2, 0, 0));

    std::uniform_int_distribution<int> word(3, 14);
    for (int y = content.y() + 30, line = 0; y < content.center().y(); y += 34, ++line) {
        QString text;
        for (int w = 0; w < 12; ++w)
            text += QString(word(random), QChar(u'a' + (line + w) % 26)) + u' ';
        painter.setPen(QColor(30, 30, 40));
        painter.drawText(content.x(), y, text);
    }
    for (int b = 0; b < 4; ++b) {
        painter.setBrush(QColor(40 + 50 * b, 110, 230 - 40 * b));
        painter.drawRoundedRect(content.right() - 260, content.bottom() - 90 - 80 * b, 240, 60, 12,
                                12);
    }
}

} // namespace

QByteArray screenshotPng(int seed) {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient desktop(0, 0, kWidth, kHeight);
    desktop.setColorAt(0, QColor::fromHsv(30 * seed, 120, 200));
    desktop.setColorAt(1, QColor::fromHsv(30 * seed + 120, 160, 90));
    painter.fillRect(image.rect(), desktop);

    std::mt19937 random{unsigned(seed)};
    for (int w = 0; w < 3; ++w)
        drawWindow(painter, QRect(120 + 380 * w + 40 * seed, 100 + 220 * w, 1700, 1200), random);
    painter.end();

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

} // namespace lumbex::bench
