#include "app/desktop/practice_note.h"

#include "core/error.h"
#include "model/note_document.h"
#include "model/note_library.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>

namespace lumbex {
namespace {

void drawCard(QPainter& painter, const QRectF& card, const QString& title, const QString& detail,
              const QColor& accent) {
    painter.setPen(QColor(0xDD, 0xE2, 0xEA));
    painter.setBrush(Qt::white);
    painter.drawRoundedRect(card, 14, 14);
    painter.setPen(Qt::NoPen);
    painter.setBrush(accent);
    painter.drawRoundedRect(QRectF(card.left() + 24, card.top() + 24, 44, 44), 10, 10);
    QFont font = painter.font();
    font.setPixelSize(22);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(QColor(0x1D, 0x23, 0x2E));
    painter.drawText(QRectF(card.left() + 24, card.top() + 88, card.width() - 48, 30),
                     Qt::AlignLeft | Qt::AlignVCenter, title);
    font.setPixelSize(16);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(QColor(0x5B, 0x64, 0x73));
    painter.drawText(QRectF(card.left() + 24, card.top() + 124, card.width() - 48, 48),
                     Qt::AlignLeft | Qt::TextWordWrap, detail);
}

} // namespace

QImage practiceImage() {
    QImage image(960, 600, QImage::Format_RGB32);
    image.fill(QColor(0xF4, 0xF6, 0xFA));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    QFont font = painter.font();
    font.setPixelSize(30);
    font.setWeight(QFont::Bold);
    painter.setFont(font);
    painter.setPen(QColor(0x1D, 0x23, 0x2E));
    painter.drawText(QRectF(64, 48, 700, 44), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Your team's workspace"));

    drawCard(painter, QRectF(64, 130, 400, 260), QStringLiteral("Design system"),
             QStringLiteral("Components, patterns, and guidelines."), QColor(0x05, 0x61, 0xFA));
    drawCard(painter, QRectF(496, 130, 400, 260), QStringLiteral("Product roadmap"),
             QStringLiteral("Design and build the next version."), QColor(0x12, 0xA1, 0x5B));

    // The button the sample note asks to move: its centre is the pin at (187, 349).
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x05, 0x61, 0xFA));
    painter.drawRoundedRect(QRectF(112, 331, 150, 36), 8, 8);
    font.setPixelSize(15);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(112, 331, 150, 36), Qt::AlignCenter, QStringLiteral("Open project"));

    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    painter.setFont(font);
    painter.setPen(QColor(0x8A, 0x93, 0xA2));
    painter.drawText(QRectF(64, 540, 832, 24), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("Practice image · no customer data"));
    return image;
}

std::unique_ptr<NoteDocument> makePracticeNote(NoteLibrary& library) {
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !practiceImage().save(&buffer, "PNG"))
        throw LumbexError(QStringLiteral("The practice image could not be created."));
    std::unique_ptr<NoteDocument> document =
        library.documentFromCapturePNG(png, QStringLiteral("Project Cards"));
    document->update([](CaptureNote& note) {
        note.title = QStringLiteral("Sample · Project Cards");
        Mark pin;
        pin.id = newId();
        pin.mediaID = note.media.front().id;
        pin.kind = MarkKind::Pointer;
        pin.start = pin.end = {187, 349};
        note.marks.push_back(pin);
        LinkedNote linked = LinkedNote::make();
        linked.markID = pin.id;
        linked.body = QStringLiteral("Move this button to the right edge of the card.");
        note.notes.push_back(linked);
        note.general = QStringLiteral("Keep the existing colors.");
    });
    return document;
}

} // namespace lumbex
