#pragma once

#include <QColor>
#include <QString>
#include <optional>

namespace lumbex {

// The default mark colour, for "blue" and every unrecognised string: #0561FA.
QColor defaultMarkColor();
// Only "#" followed by six hexadecimal digits (either case); anything else is none.
std::optional<QColor> backgroundColor(QStringView text);
// A hex colour, else "red", "orange", "white" or "black", else the default blue. Never fails.
QColor markColor(QStringView text);
// "#RRGGBB" in upper case (components rounded half away from zero), with "AA" appended when the
// colour is not opaque.
QString hex(const QColor& color);
// White or black, whichever contrasts more with a badge filled with `fill`.
QColor badgeTextColor(const QColor& fill);

} // namespace lumbex
