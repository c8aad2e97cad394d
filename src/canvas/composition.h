#pragma once

#include "core/rect.h"
#include "records/capture_note.h"

#include <QImage>

class QPainter;

namespace lumbex {

// Draws one image of a note as a reader sees it: background and image, then every mark in list
// order (a magnifier paints its lens first, with redactions repeated inside it), then every
// redaction on top, opaque. With a crop, marks are clipped to the visible rect. The painter is
// in source-image pixels.
void drawComposition(QPainter& painter, const QImage& original, const Media& media,
                     const std::vector<Mark>& marks, const MarkNumbers& numbers);

// One slice of the composition over whatever the painter already holds (the base layer for
// `output`, or earlier slices): the non-redaction marks in [first, last), lenses showing every
// redaction of `marks`, and then, when `redactionsOnTop`, every redaction. Slices let the canvas
// redraw only the mark a gesture changes.
void drawMarks(QPainter& painter, const QImage& original, const Media& media, const Rect& output,
               const std::vector<Mark>& marks, const MarkNumbers& numbers, size_t first,
               size_t last, bool redactionsOnTop);

} // namespace lumbex
