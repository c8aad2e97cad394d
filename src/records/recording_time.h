#pragma once

#include <QString>
#include <optional>

namespace lumbex {

// A time of a movie: `value` / `timescale` seconds. A timescale of 0 or less is no number
// (an unknown or indefinite time).
struct MediaTime {
    qint64 value = 0;
    qint64 timescale = 0;
};

// Microseconds of a media time, rounded half away from zero. Throws "The recording has an invalid
// timestamp." unless it is a number whose magnitude is below 1,000,000,000 seconds.
qint64 recordingMicroseconds(const MediaTime& time);
// The media time of `microseconds` at timescale 1,000,000.
MediaTime recordingMediaTime(qint64 microseconds);

// "MM:SS.mmm" of a source time in microseconds, clamped at 0. Minutes are not wrapped into
// hours: 75 minutes print as "75:00.000".
QString recordingTimeLabel(qint64 microseconds);

// Microseconds of a source time written as decimal seconds with up to six places ("2.5",
// "0.000999"), converted digit by digit so that no rounding happens; nothing for any other text,
// a negative time or more than 86,400 seconds.
std::optional<qint64> parseRecordingSeconds(QStringView text);

// The name of a still frame taken from a recording: "Frame · " and its source time's label.
QString recordingFrameName(qint64 sourceTime);

} // namespace lumbex
