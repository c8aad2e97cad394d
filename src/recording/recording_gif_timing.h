#pragma once

#include <QtGlobal>
#include <vector>

namespace lumbex {

// When each frame of a GIF export is taken and how long it shows: `fps` frames a second over the
// selected range, the last one shortened so that the GIF lasts exactly the range.
class RecordingGIFTiming {
public:
    static constexpr int kMaximumFrames = 36'000;

    // Throws "Choose a GIF frame rate from 1 to 10 fps." or, for a range shorter than 1 µs or
    // longer than 36,000 frames, "Choose a shorter range for GIF, or export MP4. Your selected
    // range has not been shortened."
    RecordingGIFTiming(qint64 durationMicroseconds, int fps);

    qint64 durationMicroseconds() const { return duration_; }
    int fps() const { return fps_; }
    int frameCount() const { return frameCount_; }

    // Output time of frame `index`, in microseconds (rounded down: index ÷ fps seconds).
    qint64 time(int index) const;
    // How long frame `index` shows, in microseconds: 1 ÷ fps, or what is left of the range.
    qint64 delay(int index) const;
    // Up to five frames spread evenly, always the first and the last.
    std::vector<int> sampleIndices() const;

private:
    qint64 duration_;
    int fps_;
    int frameCount_;
};

} // namespace lumbex
