#include "app/editor/input_parsing.h"

#include "geometry/colors.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>

namespace lumbex::input {

std::optional<double> parseNumber(const QString& text, NumberRange range) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*([-+]?(?:\d+\.?\d*|\.\d+))\s*(?:px|%|×|x|pt)?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QByteArray digits = match.captured(1).toLatin1();
    const char* first = digits.constData() + (digits.startsWith('+') ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, digits.constData() + digits.size(), value);
    if (error != std::errc() || !std::isfinite(value))
        return std::nullopt;
    return std::clamp(value, range.minimum, range.maximum);
}

std::optional<QString> parseHexColor(const QString& text) {
    QString candidate = text.trimmed().toUpper();
    if (!candidate.startsWith(QLatin1Char('#')))
        candidate.prepend(QLatin1Char('#'));
    if (!backgroundColor(candidate))
        return std::nullopt;
    return candidate;
}

QString formatNumber(double value) {
    char buffer[64];
    const double rounded = std::round(value * 100) / 100;
    const auto result =
        rounded == std::trunc(rounded)
            ? std::to_chars(buffer, buffer + sizeof buffer, rounded, std::chars_format::fixed, 0)
            : std::to_chars(buffer, buffer + sizeof buffer, rounded);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

} // namespace lumbex::input
