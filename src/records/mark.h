#pragma once

#include "core/ids.h"
#include "core/rect.h"

#include <QString>
#include <optional>
#include <vector>

namespace lumbex {

enum class MarkKind {
    Pointer,
    Arrow,
    Line,
    Rectangle,
    Ellipse,
    Freehand,
    Highlight,
    Text,
    Redact,
    Magnify
};
QString rawValue(MarkKind kind);
std::optional<MarkKind> markKindFromRaw(QStringView raw);

// One annotation, in source-image pixels (origin top-left, y down).
struct Mark {
    Id id;
    Id mediaID;
    MarkKind kind = MarkKind::Pointer;
    Point start;
    Point end;
    QString text;
    // "#RRGGBB" or one of "red", "orange", "white", "black"; anything else draws blue.
    QString color = QStringLiteral("blue");
    double lineWidth = 3;
    std::optional<std::vector<Point>> points;
    std::optional<double> opacity;
    std::optional<double> magnification;
    std::optional<Point> magnificationCenter;

    friend bool operator==(const Mark&, const Mark&) = default;

    // The bounding box of the freehand points, else the rectangle spanned by start and end.
    Rect rect() const;
    // The image point a magnifier shows.
    Point sourceCenter() const;
    // Moves the mark; a magnifier's source point stays where it is.
    void translate(double dx, double dy);
    // Drags the end point to p, scaling freehand points about the old rect's origin.
    void resizeTo(Point p);
    // Places the mark exactly in r (the inspector's position and size fields); throws
    // LumbexError and leaves the mark unchanged when r is not allowed for this kind.
    void setBounds(const Rect& r);
};

} // namespace lumbex
