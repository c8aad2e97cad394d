#pragma once

#include "core/rect.h"
#include "records/mark.h"

#include <gtest/gtest.h>
#include <ostream>

namespace lumbex {

// A mark of `kind` dragged from `start` to `end`, with a fresh id.
inline Mark makeMark(MarkKind kind, Point start, Point end, double lineWidth = 3) {
    Mark mark;
    mark.id = newId();
    mark.kind = kind;
    mark.start = start;
    mark.end = end;
    mark.lineWidth = lineWidth;
    return mark;
}

inline std::ostream& operator<<(std::ostream& out, const Rect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.width << " × " << r.height << ")";
}

inline std::ostream& operator<<(std::ostream& out, const Point& p) {
    return out << "(" << p.x << ", " << p.y << ")";
}

// For geometry that goes through trigonometry and so is not exact.
inline void expectNear(const Rect& actual, const Rect& expected, double tolerance = 1e-9) {
    EXPECT_NEAR(actual.x, expected.x, tolerance) << actual;
    EXPECT_NEAR(actual.y, expected.y, tolerance) << actual;
    EXPECT_NEAR(actual.width, expected.width, tolerance) << actual;
    EXPECT_NEAR(actual.height, expected.height, tolerance) << actual;
}

} // namespace lumbex
