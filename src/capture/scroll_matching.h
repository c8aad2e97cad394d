#pragma once

#include <QByteArray>
#include <QImage>

namespace lumbex::ScrollMatching {

// How consecutive frames of a scrolling area are compared: on a squeeze of each frame to 72
// columns at full height, so that a frame costs one scaled draw and a few thousand short row
// comparisons, never a full-frame comparison.

// The frame squeezed to 72 columns, every row kept, as premultiplied RGBA. Only what rows are
// compared on is kept: the R, G and B bytes of the 66 inner columns, padded with zeros to 208
// bytes per row so that a comparison is one fixed-length loop the compiler vectorises.
struct Samples {
    int height = 0;
    QByteArray colours;

    friend bool operator==(const Samples&, const Samples&) = default;
};

// Where the new frame lies against the previous one: the rows the content moved up, and the
// rows at the bottom that stayed fixed.
struct Alignment {
    int shift = 0;
    int footer = 0;
};

// Throws "The scroll frame could not be compared." or "The scroll frame is empty." when the
// squeezed bitmap cannot be made.
Samples sample(const QImage& frame);
// Below this the new frame shows what the previous one showed (a blinking caret, a hover).
bool looksUnchanged(const Samples& previous, const Samples& next);
// Throws when fixed rows leave no room to shift, or when no shift is clearly better than every
// shift more than 3 rows away from it (repeated rows, unrelated content).
Alignment align(const Samples& previous, const Samples& next);

} // namespace lumbex::ScrollMatching
