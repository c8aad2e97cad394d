#pragma once

#include <QString>

namespace lumbex {

// "MM:SS.mmm" of a source time in microseconds, clamped at 0. Minutes are not wrapped into
// hours: 75 minutes print as "75:00.000".
QString recordingTimeLabel(qint64 microseconds);

} // namespace lumbex
