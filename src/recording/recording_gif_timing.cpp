#include "recording/recording_gif_timing.h"

#include "core/error.h"

#include <algorithm>

namespace lumbex {
namespace {

constexpr qint64 kMicrosecondsPerSecond = 1'000'000;

} // namespace

RecordingGIFTiming::RecordingGIFTiming(qint64 durationMicroseconds, int fps)
    : duration_(durationMicroseconds), fps_(fps) {
    if (fps < 1 || fps > 10)
        throw LumbexError(QStringLiteral("Choose a GIF frame rate from 1 to 10 fps."));
    if (durationMicroseconds < 1 ||
        durationMicroseconds > kMaximumFrames * kMicrosecondsPerSecond / fps)
        throw LumbexError(QStringLiteral("Choose a shorter range for GIF, or export MP4. Your "
                                         "selected range has not been shortened."));
    frameCount_ =
        int((fps * durationMicroseconds + kMicrosecondsPerSecond - 1) / kMicrosecondsPerSecond);
}

qint64 RecordingGIFTiming::time(int index) const {
    return qint64(index) * kMicrosecondsPerSecond / fps_;
}

// Taken as the difference of frame times so that the delays add up to the range exactly, also
// when 1 ÷ fps is not a whole number of microseconds.
qint64 RecordingGIFTiming::delay(int index) const {
    return std::min(time(index + 1), duration_) - time(index);
}

std::vector<int> RecordingGIFTiming::sampleIndices() const {
    const int samples = std::min(frameCount_, 5);
    if (samples == 1)
        return {0};
    std::vector<int> indices;
    for (int i = 0; i < samples; ++i)
        indices.push_back(i * (frameCount_ - 1) / (samples - 1));
    return indices;
}

} // namespace lumbex
