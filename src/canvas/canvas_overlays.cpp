#include "canvas/canvas_overlays.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace lumbex {
namespace {

constexpr double kSelectionOutset = 3;
constexpr double kSelectionMinimumSide = 4;
constexpr double kHandleSide = 8;
constexpr double kBarHalfLength = 5;
constexpr double kLoupeInset = 9;
constexpr double kLoupeArea = 120;
constexpr double kLoupeCell = 8;
constexpr int kLoupePixels = 15;

QFont digitsFont(double pointSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(pointSize);
    return font;
}

// At least `minimum` wide and high, grown about its centre.
QRectF atLeast(QRectF r, double minimum) {
    const QPointF c = r.center();
    r.setWidth(std::max(r.width(), minimum));
    r.setHeight(std::max(r.height(), minimum));
    r.moveCenter(c);
    return r;
}

void fillChecker(QPainter& painter, const QRectF& area, double side, QColor light, QColor dark) {
    painter.fillRect(area, light);
    const int columns = int(std::ceil(area.width() / side));
    const int rows = int(std::ceil(area.height() / side));
    for (int row = 0; row < rows; ++row)
        for (int column = row % 2 ? 0 : 1; column < columns; column += 2)
            painter.fillRect(
                QRectF(area.left() + column * side, area.top() + row * side, side, side)
                    .intersected(area),
                dark);
}

} // namespace

void drawSelection(QPainter& painter, QPointF start, QPointF end, bool handles,
                   const QPalette& palette) {
    const QColor accent = palette.color(QPalette::Highlight);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    QPen dashed(accent, 1);
    dashed.setDashPattern({4, 3});
    painter.setPen(dashed);
    painter.setBrush(Qt::NoBrush);
    const QRectF frame =
        atLeast(QRectF(start, end).normalized(), kSelectionMinimumSide)
            .adjusted(-kSelectionOutset, -kSelectionOutset, kSelectionOutset, kSelectionOutset);
    painter.drawRect(frame);
    if (handles) {
        painter.setPen(QPen(accent, 1));
        painter.setBrush(Qt::white);
        for (const QPointF p : {start, end})
            painter.drawRect(
                QRectF(p.x() - kHandleSide / 2, p.y() - kHandleSide / 2, kHandleSide, kHandleSide));
    }
    painter.restore();
}

QSizeF measurementLabelSize(const QString& label) {
    return {QFontMetricsF(digitsFont(11)).horizontalAdvance(label) + 16, 24};
}

void drawMeasurement(QPainter& painter, QPointF start, QPointF end, const QString& label,
                     const QRectF& labelRect, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    path.moveTo(start);
    path.lineTo(end);
    const double length = std::hypot(end.x() - start.x(), end.y() - start.y());
    if (length > 0) {
        // The bars stand perpendicular to the line, 5 points to each side of each end.
        const QPointF across((start.y() - end.y()) / length * kBarHalfLength,
                             (end.x() - start.x()) / length * kBarHalfLength);
        for (const QPointF p : {start, end}) {
            path.moveTo(p - across);
            path.lineTo(p + across);
        }
    }
    painter.strokePath(path, QPen(palette.color(QPalette::Window), 4));
    painter.strokePath(path, QPen(palette.color(QPalette::Highlight), 1.5));

    QPainterPath box;
    box.addRoundedRect(labelRect, 5, 5);
    painter.fillPath(box, palette.color(QPalette::Window));
    painter.setFont(digitsFont(11));
    painter.setPen(palette.color(QPalette::WindowText));
    painter.drawText(labelRect.adjusted(8, 5, 0, 0), Qt::AlignLeft | Qt::AlignTop, label);
    painter.restore();
}

void drawLoupePanel(QPainter& painter, const QRectF& panel, const PixelLoupe& loupe,
                    const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath outline;
    outline.addRoundedRect(panel.adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(outline, palette.color(QPalette::Window));
    painter.strokePath(outline, QPen(palette.color(QPalette::Mid), 1));

    const QRectF area(panel.left() + kLoupeInset, panel.top() + kLoupeInset, kLoupeArea,
                      kLoupeArea);
    painter.setRenderHint(QPainter::Antialiasing, false);
    fillChecker(painter, area, kLoupeCell, QColor::fromRgbF(0.94f, 0.94f, 0.94f),
                QColor::fromRgbF(0.82f, 0.82f, 0.82f));
    painter.setClipRect(area);
    // The loupe may be cut at the output's edge: place its pixels where they lie around the point.
    const QPoint first = loupe.point - QPoint(kLoupePixels / 2, kLoupePixels / 2);
    const QPointF origin =
        area.topLeft() +
        QPointF(loupe.region.x() - first.x(), loupe.region.y() - first.y()) * kLoupeCell;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(origin, QSizeF(loupe.image.size()) * kLoupeCell), loupe.image);

    painter.setPen(QPen(QColor(0, 0, 0, 46), 0.5));
    for (int i = 0; i <= kLoupePixels; ++i) {
        const double offset = i * kLoupeCell;
        painter.drawLine(QPointF(area.left() + offset, area.top()),
                         QPointF(area.left() + offset, area.bottom()));
        painter.drawLine(QPointF(area.left(), area.top() + offset),
                         QPointF(area.right(), area.top() + offset));
    }
    const QRectF centre(area.left() + 7 * kLoupeCell, area.top() + 7 * kLoupeCell, kLoupeCell,
                        kLoupeCell);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 3));
    painter.drawRect(centre);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(centre);
    painter.setClipping(false);

    painter.setFont(digitsFont(10));
    painter.setPen(palette.color(QPalette::PlaceholderText));
    painter.drawText(QRectF(panel.left() + kLoupeInset, panel.top() + 137, kLoupeArea, 20),
                     Qt::AlignLeft | Qt::AlignTop,
                     QString::number(loupe.point.x()) + QStringLiteral(", ") +
                         QString::number(loupe.point.y()) + QStringLiteral(" px"));
    painter.restore();
}

} // namespace lumbex
