#pragma once

#include "core/rect.h"
#include "records/capture_note.h"

#include <optional>

namespace lumbex {

// The topmost mark under `p` (source pixels) at `zoom` view points per source pixel: numbered
// badges first within each mark, then strokes, lens ellipses and rectangles, each with a tolerance
// of eight view points. Redactions have no badge to hit.
std::optional<Id> hitMark(const std::vector<Mark>& marks, const MarkNumbers& numbers,
                          const std::optional<Rect>& crop, const Rect& output, Point p,
                          double zoom);

// True when `p` is close enough to the selected mark's end to grab its resize handle.
bool grabsHandle(const Mark& mark, Point p, double zoom);

} // namespace lumbex
