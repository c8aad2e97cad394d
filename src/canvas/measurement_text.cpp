#include "canvas/measurement_text.h"

#include <charconv>
#include <cmath>

namespace lumbex {
namespace {

QString truncated(double value) {
    return QString::number(qint64(std::trunc(value)));
}

} // namespace

QString fixedNumber(double value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return QString::fromLatin1(buffer, int(result.ptr - buffer));
}

QString distanceText(const PixelMeasurement& m) {
    const double distance = std::hypot(m.end.x - m.start.x, m.end.y - m.start.y);
    return fixedNumber(distance, 1) + QStringLiteral(" px");
}

QString clipboardText(const PixelMeasurement& m) {
    return QStringLiteral("Distance: ") + distanceText(m) + QStringLiteral(" · ΔX: ") +
           truncated(m.end.x - m.start.x) + QStringLiteral(" px · ΔY: ") +
           truncated(m.end.y - m.start.y) + QStringLiteral(" px\nFrom (") + truncated(m.start.x) +
           QStringLiteral(", ") + truncated(m.start.y) + QStringLiteral(") to (") +
           truncated(m.end.x) + QStringLiteral(", ") + truncated(m.end.y) +
           QStringLiteral(") in source image pixels.");
}

QString spanText(const PixelMeasurement& m) {
    return QString::number(qint64(std::round(std::abs(m.end.x - m.start.x)))) +
           QStringLiteral(" × ") +
           QString::number(qint64(std::round(std::abs(m.end.y - m.start.y)))) +
           QStringLiteral(" px");
}

QString deltaText(const PixelMeasurement& m) {
    return QStringLiteral("ΔX ") + truncated(m.end.x - m.start.x) + QStringLiteral(" px    ΔY ") +
           truncated(m.end.y - m.start.y) + QStringLiteral(" px");
}

QString originalImageText(qint64 width, qint64 height) {
    return QStringLiteral("Original image: ") + QString::number(width) + QStringLiteral(" × ") +
           QString::number(height) +
           QStringLiteral(" px. Measurements use source pixels, independent of zoom.");
}

} // namespace lumbex
