#pragma once

#include <QString>
#include <optional>

// How the inspector reads what a person typed.
namespace lumbex::input {

struct NumberRange {
    double minimum;
    double maximum;
};

// A decimal number, optionally followed by a unit ("40", "12.5 px", "35%"), clamped to the
// range; none when the text is not a finite number (the field then shows its previous value).
std::optional<double> parseNumber(const QString& text, NumberRange range);

// A colour typed as six hexadecimal digits, with or without "#", any case, surrounded by white
// space: "#RRGGBB" in upper case, or none when it is not a colour.
std::optional<QString> parseHexColor(const QString& text);

// A number as the field shows it: whole numbers without decimals, others with up to two.
QString formatNumber(double value);

} // namespace lumbex::input
