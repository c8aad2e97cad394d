#include "app/capture_ui/onboarding_pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace lumbex {
namespace {

const QColor kInk(40, 48, 60);
const QColor kPaper(250, 250, 247);
const QColor kSea(64, 148, 196);
const QColor kSand(236, 214, 170);
const QColor kAccent(0, 122, 255);
const QColor kLine(210, 214, 220);

void textLines(QPainter& p, QRectF area, int count) {
    p.setPen(Qt::NoPen);
    p.setBrush(kLine);
    for (int i = 0; i < count; ++i) {
        const double width = area.width() * (i % 3 == 2 ? 0.6 : 0.9);
        p.drawRoundedRect(QRectF(area.left(), area.top() + i * 14, width, 6), 3, 3);
    }
}

// The coastal web page that every picture shows, inside `frame`.
QRectF drawPage(QPainter& p, QRectF frame) {
    p.setPen(QPen(kLine, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(frame, 8, 8);
    const QRectF sky(frame.left() + 12, frame.top() + 12, frame.width() - 24,
                     frame.height() * 0.45);
    p.setPen(Qt::NoPen);
    p.setBrush(kSea);
    p.drawRect(sky);
    p.setBrush(kSand);
    p.drawRect(
        QRectF(sky.left(), sky.bottom() - sky.height() * 0.3, sky.width(), sky.height() * 0.3));
    textLines(p, QRectF(sky.left(), sky.bottom() + 16, sky.width() * 0.7, 40), 3);
    const QRectF button(sky.left(), sky.bottom() + 70, sky.width() * 0.35, 26);
    p.setBrush(kInk);
    p.drawRoundedRect(button, 6, 6);
    return button;
}

void drawBadge(QPainter& p, QPointF centre, const QString& number) {
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(kAccent);
    p.drawEllipse(centre, 13, 13);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(centre.x() - 13, centre.y() - 13, 26, 26), Qt::AlignCenter, number);
}

void drawNote(QPainter& p, QRectF area, const QString& number) {
    p.setPen(QPen(kLine, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(area, 6, 6);
    drawBadge(p, area.topLeft() + QPointF(20, 20), number);
    textLines(p, QRectF(area.left() + 40, area.top() + 14, area.width() - 52, 40), 3);
}

void drawCapture(QPainter& p, QRectF r) {
    const QRectF page(r.left() + 16, r.top() + 16, r.width() * 0.66, r.height() - 80);
    drawPage(p, page);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 233, 238));
    p.drawRoundedRect(QRectF(page.left(), page.bottom() + 14, page.width(), 34), 8, 8);
    for (int i = 0; i < 7; ++i) {
        p.setBrush(i == 1 ? kAccent : kInk);
        p.drawEllipse(QPointF(page.left() + 24 + i * 34, page.bottom() + 31), 8, 8);
    }
    const double x = page.right() + 16;
    drawNote(p, QRectF(x, page.top(), r.right() - x - 16, 80), QStringLiteral("1"));
    drawNote(p, QRectF(x, page.top() + 92, r.right() - x - 16, 80), QStringLiteral("2"));
}

void drawExplain(QPainter& p, QRectF r) {
    const QRectF page(r.left() + 16, r.top() + 16, r.width() * 0.6, r.height() - 32);
    const QRectF button = drawPage(p, page);
    const QPointF pin(button.right() + 18, button.center().y());
    drawBadge(p, pin, QStringLiteral("1"));
    const double x = page.right() + 24;
    const QRectF note(x, button.center().y() - 40, r.right() - x - 16, 80);
    p.setPen(QPen(kAccent, 2, Qt::DashLine));
    p.drawLine(pin + QPointF(13, 0), QPointF(note.left(), note.center().y()));
    drawNote(p, note, QStringLiteral("1"));
}

void drawHandoff(QPainter& p, QRectF r) {
    const QRectF sheet(r.left() + 40, r.top() + 16, r.width() - 80, r.height() - 32);
    p.setPen(QPen(kLine, 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(sheet, 10, 10);
    p.setPen(kInk);
    QFont font = p.font();
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(sheet.left() + 20, sheet.top() + 14, sheet.width() - 40, 24),
               QStringLiteral("Request Preview"));
    drawPage(
        p, QRectF(sheet.left() + 20, sheet.top() + 48, sheet.width() * 0.4, sheet.height() - 110));
    const double x = sheet.left() + sheet.width() * 0.4 + 40;
    drawNote(p, QRectF(x, sheet.top() + 48, sheet.right() - x - 20, 70), QStringLiteral("1"));
    drawNote(p, QRectF(x, sheet.top() + 130, sheet.right() - x - 20, 70), QStringLiteral("2"));
    p.setPen(Qt::NoPen);
    p.setBrush(kAccent);
    const QRectF copy(sheet.right() - 180, sheet.bottom() - 48, 160, 30);
    p.drawRoundedRect(copy, 7, 7);
    p.setPen(Qt::white);
    p.drawText(copy, Qt::AlignCenter, QStringLiteral("Copy for Agent"));
}

} // namespace

QImage onboardingPicture(const QString& name, QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(kPaper);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(size));
    if (name == QStringLiteral("capture"))
        drawCapture(painter, area);
    else if (name == QStringLiteral("explain"))
        drawExplain(painter, area);
    else if (name == QStringLiteral("handoff"))
        drawHandoff(painter, area);
    return image;
}

} // namespace lumbex
