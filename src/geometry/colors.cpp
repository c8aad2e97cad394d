#include "geometry/colors.h"

#include <array>
#include <cmath>

namespace lumbex {
namespace {

struct NamedColor {
    const char16_t* name;
    float red, green, blue;
};

constexpr std::array<NamedColor, 4> kNamedColors{{
    {u"red", 0.91f, 0.18f, 0.22f},
    {u"orange", 0.95f, 0.48f, 0.08f},
    {u"white", 1, 1, 1},
    {u"black", 0, 0, 0},
}};

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// A 16-bit QColor channel as a byte, rounding halves away from zero like the stored strings expect.
int toByte(quint16 channel) {
    return int(std::round(channel / 65535.0 * 255.0));
}

double linearized(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

} // namespace

QColor defaultMarkColor() {
    return QColor::fromRgbF(0.02f, 0.38f, 0.98f);
}

std::optional<QColor> backgroundColor(QStringView text) {
    if (text.size() != 7 || text.front() != u'#')
        return std::nullopt;
    int value = 0;
    for (QChar c : text.mid(1)) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + digit;
    }
    return QColor((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

QColor markColor(QStringView text) {
    if (const auto color = backgroundColor(text))
        return *color;
    for (const NamedColor& named : kNamedColors)
        if (text == QStringView(named.name))
            return QColor::fromRgbF(named.red, named.green, named.blue);
    return defaultMarkColor();
}

QString hex(const QColor& color) {
    const QRgba64 rgba = color.toRgb().rgba64();
    QString text = QStringLiteral("#%1%2%3")
                       .arg(toByte(rgba.red()), 2, 16, QChar(u'0'))
                       .arg(toByte(rgba.green()), 2, 16, QChar(u'0'))
                       .arg(toByte(rgba.blue()), 2, 16, QChar(u'0'));
    const int alpha = toByte(rgba.alpha());
    if (alpha != 255)
        text += QStringLiteral("%1").arg(alpha, 2, 16, QChar(u'0'));
    return text.toUpper();
}

QColor badgeTextColor(const QColor& fill) {
    if (!fill.isValid())
        return Qt::white;
    const QColor rgb = fill.toRgb();
    const double luminance = 0.2126 * linearized(rgb.redF()) + 0.7152 * linearized(rgb.greenF()) +
                             0.0722 * linearized(rgb.blueF());
    const double whiteContrast = 1.05 / (luminance + 0.05);
    const double blackContrast = (luminance + 0.05) / 0.05;
    return whiteContrast > blackContrast ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace lumbex
