#include "cloud/review_pages.h"

#include "cloud/review_fonts.h"
#include "core/error.h"

#include <QFontMetricsF>
#include <QPdfWriter>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

namespace lumbex {
namespace {

using namespace ReviewPage;

const QColor kSecondary(0x55, 0x55, 0x55);

LumbexError cannotFit() {
    return LumbexError(QStringLiteral("A note could not fit in the mobile PDF."));
}

// Hard line breaks stay breaks inside one layout.
QString layoutText(QString text) {
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

// Lays `text` out in the column; lines are positioned from 0 down, `lineSpacing` apart.
void layOut(QTextLayout& layout) {
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setUseDesignMetrics(true);
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    layout.beginLayout();
    double top = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(column);
        line.setPosition(QPointF(0, top));
        top += line.height() + lineSpacing;
    }
    layout.endLayout();
}

// Qt's y grows downwards from the top of the page.
double deviceY(double pageY) {
    return height - pageY;
}

} // namespace

QSizeF fittedPictureSize(QSizeF pixels, QSizeF box) {
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return {0.01, 0.01};
    const double scale = std::min(box.width() / pixels.width(), box.height() / pixels.height());
    return {std::max(0.01, pixels.width() * scale), std::max(0.01, pixels.height() * scale)};
}

ReviewPages::ReviewPages(QPdfWriter& writer, QString headerTitle, QString footerText)
    : writer_(writer), headerTitle_(std::move(headerTitle)), footerText_(std::move(footerText)) {}

void ReviewPages::page() {
    if (pages_ == 0) {
        if (!painter_.begin(&writer_))
            throw LumbexError(QStringLiteral("The mobile PDF could not be created."));
    } else if (!writer_.newPage()) {
        throw LumbexError(QStringLiteral("The mobile PDF could not be created."));
    }
    ++pages_;
    painter_.fillRect(QRectF(0, 0, width, height), Qt::white);
    y_ = top;
    label(QStringLiteral("Lumbex · ") + headerTitle_, headerY, column, labelSize);
    label(footerText_ + QStringLiteral(" · Page ") + QString::number(pages_), footerY, column,
          labelSize);
}

void ReviewPages::label(const QString& text, double at, double width, double size) {
    const QFont font = reviewFont(size, false);
    const QFontMetricsF metrics(font, &writer_);
    // A label is one line: breaks inside it become spaces.
    QString line = text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    painter_.setFont(font);
    painter_.setPen(kSecondary);
    painter_.drawText(QPointF(left, deviceY(at)), metrics.elidedText(line, Qt::ElideRight, width));
}

void ReviewPages::text(const QString& text, double size, bool bold, bool secondary, double gap) {
    QTextLayout layout(layoutText(text), reviewFont(size, bold), &writer_);
    layOut(layout);
    for (int i = 0; i < layout.lineCount(); ++i) {
        const QTextLine line = layout.lineAt(i);
        if (line.height() > top - bottom)
            throw cannotFit();
        if (y_ - line.height() < bottom)
            page();
        painter_.setPen(secondary ? kSecondary : QColor(Qt::black));
        // Each line is drawn at its own place on whichever page it landed.
        line.draw(&painter_, QPointF(left, deviceY(y_) - line.y()));
        y_ -= line.height() + (i + 1 < layout.lineCount() ? lineSpacing : 0);
    }
    y_ -= gap;
}

double ReviewPages::blockHeight(const QString& text, double size, bool bold) {
    QTextLayout layout(layoutText(text), reviewFont(size, bold), &writer_);
    layOut(layout);
    if (layout.lineCount() == 0)
        return 0;
    const QTextLine last = layout.lineAt(layout.lineCount() - 1);
    return last.y() + last.height();
}

void ReviewPages::heading(const QString& text, double extra) {
    const double needed = std::ceil(blockHeight(text, 15, true));
    // Room below for the heading's gap, the bottom margin and the first lines that follow.
    if (y_ < needed + 88 + extra)
        page();
    this->text(text, 15, true, false, 6);
}

void ReviewPages::picture(const QImage& image, const QString& caption) {
    const QSizeF size = fittedPictureSize(image.size(), QSizeF(column, pictureHeight));
    const double captionHeight = blockHeight(caption, 12, true);
    // The caption stays with its picture: both move to a new page when less than 98 points
    // remain or when the picture would not fit under the caption.
    if (y_ - bottom < std::max(98.0, captionHeight + 8 + size.height()))
        page();
    text(caption, 12, true, false, 8);
    if (y_ - bottom < std::max(42.0, size.height()))
        page();
    const QRectF target(left + (column - size.width()) / 2, deviceY(y_), size.width(),
                        size.height());
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_.drawImage(target, image);
    y_ -= size.height() + 14;
}

bool ReviewPages::finish() {
    return painter_.isActive() ? painter_.end() : true;
}

} // namespace lumbex
