#include "records/mark.h"

#include "core/error.h"
#include "core/raw_values.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace lumbex {
namespace {

constexpr RawValues<MarkKind, 10> kKindNames{{{
    {MarkKind::Pointer, u"pointer"},
    {MarkKind::Arrow, u"arrow"},
    {MarkKind::Line, u"line"},
    {MarkKind::Rectangle, u"rectangle"},
    {MarkKind::Ellipse, u"ellipse"},
    {MarkKind::Freehand, u"freehand"},
    {MarkKind::Highlight, u"highlight"},
    {MarkKind::Text, u"text"},
    {MarkKind::Redact, u"redact"},
    {MarkKind::Magnify, u"magnify"},
}}};

[[noreturn]] void fail(const char* message) {
    throw LumbexError(QString::fromUtf8(message));
}

void checkSizeRules(MarkKind kind, const Rect& r, bool widthChanged, bool heightChanged) {
    switch (kind) {
    case MarkKind::Rectangle:
    case MarkKind::Ellipse:
    case MarkKind::Highlight:
    case MarkKind::Redact:
    case MarkKind::Magnify:
        if ((widthChanged && r.width < 1) || (heightChanged && r.height < 1))
            fail("This annotation needs a width and height of at least 1 px.");
        break;
    case MarkKind::Arrow:
    case MarkKind::Line:
        if (std::max(r.width, r.height) < 1)
            fail("A line needs a width or height of at least 1 px.");
        break;
    case MarkKind::Text:
        if ((widthChanged && r.width < 80) || (heightChanged && r.height < 40))
            fail("Text needs at least 80 px of wrap width and 40 px of minimum height.");
        break;
    case MarkKind::Pointer:
    case MarkKind::Freehand:
        break;
    }
}

// A flat stroke (zero extent along one axis) cannot be stretched along it, and a stroke with
// extent cannot be flattened.
bool strokeDimensionAllowed(double oldSize, double newSize, bool changed) {
    if (!changed)
        return true;
    return oldSize == 0 ? newSize <= 0 : newSize >= 1;
}

} // namespace

QString rawValue(MarkKind kind) {
    return kKindNames.raw(kind);
}

std::optional<MarkKind> markKindFromRaw(QStringView raw) {
    return kKindNames.parse(raw);
}

Rect Mark::rect() const {
    if (points && !points->empty()) {
        double x0 = points->front().x, x1 = x0, y0 = points->front().y, y1 = y0;
        for (const Point& p : *points) {
            x0 = std::min(x0, p.x);
            x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y);
            y1 = std::max(y1, p.y);
        }
        return {x0, y0, x1 - x0, y1 - y0};
    }
    return Rect::spanning(start, end);
}

Point Mark::sourceCenter() const {
    return magnificationCenter.value_or(rect().center());
}

void Mark::translate(double dx, double dy) {
    const Point d{dx, dy};
    start = start + d;
    end = end + d;
    if (points)
        for (Point& p : *points)
            p = p + d;
}

void Mark::resizeTo(Point p) {
    const Rect old = rect();
    end = p;
    if (!points)
        return;
    const double sx = (p.x - old.x) / std::max(old.width, 1.0);
    const double sy = (p.y - old.y) / std::max(old.height, 1.0);
    for (Point& q : *points)
        q = {old.x + (q.x - old.x) * sx, old.y + (q.y - old.y) * sy};
}

void Mark::setBounds(const Rect& r) {
    if (!r.isFinite() || r.width < 0 || r.height < 0)
        fail("Enter a valid position and size.");
    const Rect old = rect();
    if (r.width == old.width && r.height == old.height) {
        translate(r.x - old.x, r.y - old.y);
        return;
    }
    const bool widthChanged = r.width != old.width;
    const bool heightChanged = r.height != old.height;
    checkSizeRules(kind, r, widthChanged, heightChanged);

    if (!points) {
        const bool flippedX = end.x < start.x;
        const bool flippedY = end.y < start.y;
        start.x = flippedX ? r.maxX() : r.minX();
        end.x = flippedX ? r.minX() : r.maxX();
        start.y = flippedY ? r.maxY() : r.minY();
        end.y = flippedY ? r.minY() : r.maxY();
        return;
    }
    if (!strokeDimensionAllowed(old.width, r.width, widthChanged) ||
        !strokeDimensionAllowed(old.height, r.height, heightChanged))
        fail("Keep the stroke's existing dimensions at least 1 px. A flat stroke cannot be "
             "stretched along its "
             "empty dimension.");
    const double sx = old.width == 0 ? 1 : r.width / old.width;
    const double sy = old.height == 0 ? 1 : r.height / old.height;
    for (Point& p : *points)
        p = {r.x + (p.x - old.x) * sx, r.y + (p.y - old.y) * sy};
    start = {r.minX(), r.minY()};
    end = {r.maxX(), r.maxY()};
}

} // namespace lumbex
