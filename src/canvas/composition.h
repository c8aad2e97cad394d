#pragma once

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

} // namespace lumbex
