#pragma once

#include "core/rect.h"
#include "records/mark.h"

#include <optional>

class QPainter;

namespace lumbex {

// Draws one mark and, when `number` is given (and the mark is not a redaction), its badge. The
// crop positions a pointer's badge. The lens content of a magnifier is the composition's; this
// draws only its outline.
void drawMark(QPainter& painter, const Mark& mark, std::optional<int> number,
              const std::optional<Rect>& crop);

} // namespace lumbex
