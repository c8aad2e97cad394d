#include "canvas/mark_painter.h"

#include "canvas/qt_geometry.h"
#include "geometry/colors.h"
#include "geometry/mark_geometry.h"
#include "geometry/text_metrics.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace lumbex {
namespace {

// A pointer smaller than this on either side is shown by its badge alone.
constexpr double kPointerMinimumSide = 8;
constexpr double kPointerFillOpacity = 0.06;
constexpr double kPointerStrokeWidth = 2;
constexpr double kDefaultHighlightOpacity = 0.35;
constexpr double kLeaderWidth = 1.5;
constexpr double kAnchorDotSide = 4;
constexpr double kBadgeOutlineWidth = 1;
constexpr double kBadgeOutlineOpacity = 0.3;
constexpr double kBadgeFontSize = 15;
// Wide enough that a badge number is always measured on one line.
constexpr double kBadgeMeasureWidth = 10'000;

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(std::clamp(alpha, 0.0, 1.0)));
    return color;
}

QPen strokePen(const QColor& color, double width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// Qt strokes nothing for a path of zero length, where round caps should still leave a dot (a
// click without a drag).
void strokeThrough(QPainter& painter, const std::vector<Point>& points) {
    if (points.empty())
        return;
    if (std::all_of(points.begin(), points.end(), [&](Point p) { return p == points.front(); })) {
        painter.drawPoint(toQt(points.front()));
        return;
    }
    QPainterPath path(toQt(points.front()));
    for (auto it = points.begin() + 1; it != points.end(); ++it)
        path.lineTo(toQt(*it));
    painter.drawPath(path);
}

void strokePointer(QPainter& painter, const QRectF& rect, const QColor& color) {
    if (rect.width() <= kPointerMinimumSide || rect.height() <= kPointerMinimumSide)
        return;
    painter.fillRect(rect, withAlpha(color, kPointerFillOpacity));
    painter.setPen(strokePen(color, kPointerStrokeWidth));
    painter.drawRect(rect);
}

void strokeArrow(QPainter& painter, const Mark& mark) {
    strokeThrough(painter, {mark.start, mark.end});
    const auto wings = arrowWings(mark);
    QPainterPath head(toQt(wings[0]));
    head.lineTo(toQt(mark.end));
    head.lineTo(toQt(wings[1]));
    painter.drawPath(head);
}

void fillHighlight(QPainter& painter, const Mark& mark, const QColor& color) {
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.fillRect(toQt(mark.rect()),
                     withAlpha(color, mark.opacity.value_or(kDefaultHighlightOpacity)));
}

void drawText(QPainter& painter, const Mark& mark) {
    painter.setFont(annotationFont(textSize(mark)));
    painter.drawText(toQt(textRect(mark)), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
                     mark.text);
}

void fillRedaction(QPainter& painter, const Mark& mark) {
    // Hard edges: an antialiased border would let a fraction of the hidden pixels through.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(toQt(mark.rect().roundedOut()), Qt::black);
}

void drawBody(QPainter& painter, const Mark& mark, const QColor& color) {
    painter.setPen(strokePen(color, mark.lineWidth));
    painter.setBrush(Qt::NoBrush);
    switch (mark.kind) {
    case MarkKind::Pointer:
        strokePointer(painter, toQt(mark.rect()), color);
        break;
    case MarkKind::Arrow:
        strokeArrow(painter, mark);
        break;
    case MarkKind::Line:
        strokeThrough(painter, {mark.start, mark.end});
        break;
    case MarkKind::Rectangle:
        painter.drawRect(toQt(mark.rect()));
        break;
    case MarkKind::Ellipse:
    case MarkKind::Magnify:
        painter.drawEllipse(toQt(mark.rect()));
        break;
    case MarkKind::Freehand:
        strokeThrough(painter, mark.points.value_or(std::vector<Point>{}));
        break;
    case MarkKind::Highlight:
        fillHighlight(painter, mark, color);
        break;
    case MarkKind::Text:
        drawText(painter, mark);
        break;
    case MarkKind::Redact:
        fillRedaction(painter, mark);
        break;
    }
}

// Joins a pointer's badge to the point it labels, which may be far from a badge kept in the crop.
void drawLeader(QPainter& painter, QPointF centre, QPointF anchor, const QColor& color) {
    painter.setPen(strokePen(color, kLeaderWidth));
    painter.drawLine(centre, anchor);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(anchor, kAnchorDotSide / 2, kAnchorDotSide / 2);
}

void drawNumber(QPainter& painter, int number, QPointF centre, const QColor& color) {
    const QString text = QString::number(number);
    const QFont font = annotationFont(kBadgeFontSize);
    const QSizeF size = measureText(text, font, kBadgeMeasureWidth);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(centre - QPointF(size.width(), size.height()) / 2, size),
                     Qt::AlignLeft | Qt::AlignTop, text);
}

void drawBadge(QPainter& painter, const Mark& mark, int number, const std::optional<Rect>& crop,
               const QColor& markColour) {
    const QRectF badge = toQt(badgeRect(mark, crop));
    const bool pointer = mark.kind == MarkKind::Pointer;
    const QColor fill = pointer ? markColour : defaultMarkColor();
    if (pointer)
        drawLeader(painter, badge.center(), toQt(mark.rect().origin()), markColour);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(badge);
    if (pointer) {
        painter.setPen(strokePen(withAlpha(badgeTextColor(markColour), kBadgeOutlineOpacity),
                                 kBadgeOutlineWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(badge);
    }
    drawNumber(painter, number, badge.center(), pointer ? badgeTextColor(fill) : Qt::white);
}

} // namespace

void drawMark(QPainter& painter, const Mark& mark, std::optional<int> number,
              const std::optional<Rect>& crop) {
    const QColor color = markColor(mark.color);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawBody(painter, mark, color);
    painter.restore();
    if (!number || mark.kind == MarkKind::Redact)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawBadge(painter, mark, *number, crop, color);
    painter.restore();
}

} // namespace lumbex
