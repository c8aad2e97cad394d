#include "records/recording_time.h"

#include "core/error.h"

#include <algorithm>
#include <cmath>

namespace lumbex {

qint64 recordingMicroseconds(const MediaTime& time) {
    constexpr long double kLimitSeconds = 1e9;
    if (time.timescale <= 0)
        throw LumbexError(QStringLiteral("The recording has an invalid timestamp."));
    const long double seconds = static_cast<long double>(time.value) / time.timescale;
    if (!std::isfinite(seconds) || std::fabs(seconds) >= kLimitSeconds)
        throw LumbexError(QStringLiteral("The recording has an invalid timestamp."));
    // Exact integer arithmetic: value × 10^6 fits easily below the limit checked above.
    const __int128 scaled = static_cast<__int128>(time.value) * 1000000;
    const __int128 half = time.timescale / 2;
    const bool exactHalf = time.timescale % 2 == 0;
    __int128 quotient = scaled / time.timescale;
    const __int128 remainder = scaled % time.timescale;
    const __int128 magnitude = remainder < 0 ? -remainder : remainder;
    if (magnitude > half || (exactHalf && magnitude == half))
        quotient += scaled < 0 ? -1 : 1;
    return static_cast<qint64>(quotient);
}

MediaTime recordingMediaTime(qint64 microseconds) {
    return {microseconds, 1000000};
}

QString recordingTimeLabel(qint64 microseconds) {
    const qint64 us = std::max<qint64>(microseconds, 0);
    const qint64 totalMs = us / 1000;
    const qint64 minutes = totalMs / 60000;
    const qint64 seconds = (totalMs / 1000) % 60;
    const qint64 ms = totalMs % 1000;
    return QStringLiteral("%1:%2.%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(ms, 3, 10, QLatin1Char('0'));
}

QString recordingFrameName(qint64 sourceTime) {
    return QStringLiteral("Frame · ") + recordingTimeLabel(sourceTime);
}

std::optional<qint64> parseRecordingSeconds(QStringView text) {
    constexpr qint64 kLongest = 86'400'000'000;
    const qsizetype point = text.indexOf(u'.');
    const QStringView whole = point < 0 ? text : text.left(point);
    const QStringView fraction = point < 0 ? QStringView() : text.mid(point + 1);
    const auto digitsOnly = [](QStringView part) {
        return std::all_of(part.begin(), part.end(),
                           [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    // "5." and ".5" are refused with "." alone: every part that is written has digits.
    if (whole.isEmpty() || whole.size() > 5 || !digitsOnly(whole) || fraction.size() > 6 ||
        !digitsOnly(fraction) || (point >= 0 && fraction.isEmpty()))
        return std::nullopt;
    qint64 microseconds = 0;
    for (const QChar c : whole)
        microseconds = microseconds * 10 + (c.unicode() - u'0');
    for (qsizetype i = 0; i < 6; ++i)
        microseconds = microseconds * 10 + (i < fraction.size() ? fraction[i].unicode() - u'0' : 0);
    if (microseconds > kLongest)
        return std::nullopt;
    return microseconds;
}

} // namespace lumbex
