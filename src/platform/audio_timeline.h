#pragma once

#include "platform/recording_media.h"

#include <optional>

namespace lumbex {

// Host-clock times for consecutive sound chunks. A measured time (arrival minus the reported
// latency) jitters with the server's buffer levels; the chunks themselves are continuous. So
// each chunk follows on from the last by its sample count, and the timeline is set again from
// the measurement only when it is later by more than a tolerance: sound was lost. An earlier
// measurement is never followed, since a chunk that starts before the previous one ends would be
// dropped by the movie writer; a sound clock running faster than the host's therefore leaves the
// sound late by its drift (a few milliseconds a minute).
class AudioTimeline {
public:
    static constexpr qint64 kToleranceMicroseconds = 20'000;

    // The time of a chunk of `frames` frames whose first frame was measured at `measured`.
    qint64 place(qint64 measured, qint64 frames) {
        qint64 time = measured;
        if (anchor_) {
            const qint64 continued =
                *anchor_ + framesSinceAnchor_ * 1'000'000 / kRecordingAudioRate;
            if (measured - continued <= kToleranceMicroseconds) {
                time = continued;
            } else {
                anchor_.reset();
            }
        }
        if (!anchor_) {
            anchor_ = measured;
            framesSinceAnchor_ = 0;
        }
        framesSinceAnchor_ += frames;
        return time;
    }

private:
    std::optional<qint64> anchor_;
    qint64 framesSinceAnchor_ = 0;
};

} // namespace lumbex
