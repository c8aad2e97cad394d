#include "records/recording_time.h"

#include <gtest/gtest.h>
#include <limits>

namespace lumbex {
namespace {

TEST(RecordingTimeLabel, PrintsMinutesSecondsAndMilliseconds) {
    struct Row {
        qint64 microseconds;
        const char* label;
    };
    const Row rows[] = {
        {0, "00:00.000"},
        {999, "00:00.000"},
        {1'000, "00:00.001"},
        {1'999, "00:00.001"},
        {59'999'999, "00:59.999"},
        {60'000'000, "01:00.000"},
        {3'723'456'789, "62:03.456"},
        {4'500'000'000, "75:00.000"},
        {6'000'000'000, "100:00.000"},
        {-1, "00:00.000"},
        {-3'723'456'789, "00:00.000"},
        {std::numeric_limits<qint64>::min(), "00:00.000"},
        {std::numeric_limits<qint64>::max(), "153722867280:54.775"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(recordingTimeLabel(row.microseconds).toStdString(), row.label)
            << row.microseconds;
}

} // namespace
} // namespace lumbex
