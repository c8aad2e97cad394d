#include "records/recording_time.h"

#include <algorithm>

namespace lumbex {

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

} // namespace lumbex
