#pragma once

#include "core/rect.h"

#include <QString>
#include <vector>

namespace lumbex {

// A line (or, from a tile, a word) of recognised text. `bounds` are fractions of the whole image
// that was read: origin at the top-left, y growing downwards.
struct RecognizedLine {
    QString text;
    Rect bounds;

    friend bool operator==(const RecognizedLine&, const RecognizedLine&) = default;
};

// What one reading found: a text reading fills only `lines`, a QR reading only `codes`.
struct RecognitionResult {
    std::vector<RecognizedLine> lines;
    std::vector<QString> codes;

    friend bool operator==(const RecognitionResult&, const RecognitionResult&) = default;

    // The lines as plain text, row by row from the top, left to right within a row. With
    // `codeLayout` the indentation and the gaps between pieces of a row are kept in spaces, for
    // code and tables; otherwise pieces of a row are joined by one space.
    QString text(bool codeLayout) const;
};

} // namespace lumbex
