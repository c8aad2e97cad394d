#pragma once

#include <QtGlobal>

namespace lumbex {

// A span of recording source time in microseconds: start included, end excluded.
struct RecordingRange {
    qint64 start = 0;
    qint64 end = 0;

    friend bool operator==(const RecordingRange&, const RecordingRange&) = default;
    qint64 duration() const { return end - start; }
    bool contains(qint64 t) const { return start <= t && t < end; }
};

} // namespace lumbex
