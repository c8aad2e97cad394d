#pragma once

#include "core/rect.h"
#include "records/capture_note.h"

#include <array>
#include <optional>
#include <vector>

namespace lumbex {

// Geometry of marks as drawn, in source-image pixels. Shared by validation (output size and
// note format level) and by the renderer, so that both agree on every pixel.

// Font size of a text mark: max(6 × lineWidth, 16).
double textSize(const Mark& mark);
// The frame a text mark's text is laid out in: at least 80 wide and 40 high, growing down.
Rect textRect(const Mark& mark);
// The two end points of an arrow head's wings.
std::array<Point, 2> arrowWings(const Mark& mark);
// The 26 × 26 square of a mark's number badge; a pointer's badge stays inside the crop.
Rect badgeRect(const Mark& mark, const std::optional<Rect>& crop);
// Everything the mark paints, with its badge when `numbered`.
Rect drawnBounds(const Mark& mark, bool numbered, const std::optional<Rect>& crop);
// The integral rectangle a rendered image covers: the visible rect, grown by marks and badges
// outside an uncropped image, then by the background padding.
Rect outputRect(const Media& media, const std::vector<Mark>& marks, const MarkNumbers& numbers);
// Throws LumbexError when the rectangle cannot be an output image (non-finite, empty, a side
// above 32768 or more than 120,000,000 pixels).
void validateSize(const Rect& rect);

} // namespace lumbex
