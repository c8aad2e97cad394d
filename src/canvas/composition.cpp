#include "canvas/composition.h"

#include "canvas/base_layer.h"
#include "canvas/mark_painter.h"
#include "canvas/qt_geometry.h"
#include "geometry/colors.h"
#include "geometry/mark_geometry.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace lumbex {
namespace {

void drawRedactions(QPainter& painter, const std::vector<const Mark*>& redactions,
                    const std::optional<Rect>& crop) {
    for (const Mark* mark : redactions)
        drawMark(painter, *mark, std::nullopt, crop);
}

double distanceToSegment(QPointF p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double lengthSquared = dx * dx + dy * dy;
    const double t =
        lengthSquared > 0
            ? std::clamp(((p.x() - a.x) * dx + (p.y() - a.y) * dy) / lengthSquared, 0.0, 1.0)
            : 0;
    return std::hypot(p.x() - (a.x + t * dx), p.y() - (a.y + t * dy));
}

// A magnifier shows the image around its source point, scaled, inside the ellipse of its rect.
// Redacted content stays hidden inside the lens too.
void drawLens(QPainter& painter, const QImage& original, const Media& media, const Rect& output,
              const Mark& mark, const std::vector<const Mark*>& redactions, const QRectF& area) {
    const Rect rect = mark.rect();
    const Point c = rect.center();
    const Point s = mark.sourceCenter();
    const double factor = std::clamp(mark.magnification.value_or(2.0), 2.0, 8.0);
    const double d = std::hypot((s.x - c.x) / (rect.width / 2), (s.y - c.y) / (rect.height / 2));
    const Point edge{c.x + (s.x - c.x) / d, c.y + (s.y - c.y) / d};
    // The leader line and the source ring reach at most this far from the segment S → edge.
    const double reach = std::max(mark.lineWidth * 0.5, 1.0) + 4;
    const double areaRadius = std::hypot(area.width(), area.height()) / 2;
    if (d > 1 && distanceToSegment(area.center(), s, edge) <= areaRadius + reach) {
        painter.save();
        QPen pen(markColor(mark.color), std::max(mark.lineWidth * 0.5, 1.0));
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawLine(toQt(s), toQt(edge));
        painter.drawEllipse(toQt(s), 3.0, 3.0);
        painter.restore();
    }
    // The lens content is the dearest drawing there is: skip it when the area cannot show it.
    if (!area.intersects(toQt(rect)))
        return;

    painter.save();
    QPainterPath lens;
    lens.addEllipse(toQt(rect));
    painter.setClipPath(lens, Qt::IntersectClip);
    painter.fillPath(lens, Qt::white);
    painter.translate(c.x, c.y);
    painter.scale(factor, factor);
    painter.translate(-s.x, -s.y);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    drawBaseLayer(painter, original, media, output);
    if (media.crop)
        painter.setClipRect(toQt(*media.crop), Qt::IntersectClip);
    drawRedactions(painter, redactions, media.crop);
    painter.restore();
}

// The part of the source the painter can still change: its device, or its clip, mapped back to
// source pixels. Marks outside it are skipped, so that a loupe or a colour sample composes only
// what it shows.
QRectF reachableArea(const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    QRectF area = painter.worldTransform().inverted().mapRect(
        QRectF(0, 0, device->width(), device->height()));
    if (painter.hasClipping())
        area = area.intersected(painter.clipBoundingRect());
    return area;
}

bool reaches(const QRectF& area, const Rect& bounds) {
    return area.intersects(toQt(bounds).adjusted(-1, -1, 1, 1));
}

// A badge (with a pointer's leader line to its anchor) is skipped on its own when it lies outside
// the area: laying out its digits is the dearest part of a small mark.
std::optional<int> badgeWithin(const QRectF& area, const Mark& mark, std::optional<int> number,
                               const std::optional<Rect>& crop) {
    if (!number)
        return std::nullopt;
    Rect bounds = badgeRect(mark, crop);
    if (mark.kind == MarkKind::Pointer)
        bounds = bounds.united(Rect{mark.rect().x, mark.rect().y, 0, 0});
    return reaches(area, bounds.outset(2)) ? number : std::nullopt;
}

} // namespace

void drawMarks(QPainter& painter, const QImage& original, const Media& media, const Rect& output,
               const std::vector<Mark>& marks, const MarkNumbers& numbers, size_t first,
               size_t last, bool redactionsOnTop) {
    painter.save();
    if (media.crop)
        painter.setClipRect(toQt(*media.crop), Qt::IntersectClip);

    const QRectF area = reachableArea(painter);
    std::vector<const Mark*> redactions;
    for (const Mark& mark : marks)
        if (mark.kind == MarkKind::Redact)
            redactions.push_back(&mark);

    for (size_t i = first; i < std::min(last, marks.size()); ++i) {
        const Mark& mark = marks[i];
        const auto found = numbers.find(mark.id);
        const std::optional<int> number =
            found == numbers.end() ? std::nullopt : std::optional<int>(found->second);
        if (mark.kind == MarkKind::Redact ||
            !reaches(area, drawnBounds(mark, number.has_value(), media.crop)))
            continue;
        if (mark.kind == MarkKind::Magnify && mark.rect().width >= 1 && mark.rect().height >= 1) {
            drawLens(painter, original, media, output, mark, redactions, area);
            // The lens's bounds reach out to its source point; its outline and badge may not.
            const Rect outline = mark.rect().outset(mark.lineWidth);
            if (!reaches(area, outline.united(badgeRect(mark, media.crop))))
                continue;
        }
        drawMark(painter, mark, badgeWithin(area, mark, number, media.crop), media.crop);
    }
    if (redactionsOnTop)
        drawRedactions(painter, redactions, media.crop);
    painter.restore();
}

void drawComposition(QPainter& painter, const QImage& original, const Media& media,
                     const std::vector<Mark>& marks, const MarkNumbers& numbers) {
    const Rect output = outputRect(media, marks, numbers);
    drawBaseLayer(painter, original, media, output);
    drawMarks(painter, original, media, output, marks, numbers, 0, marks.size(), true);
}

} // namespace lumbex
