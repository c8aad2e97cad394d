#pragma once

#include "voice/voice_ports.h"

#include <vector>

namespace lumbex {

// Turns a stream of source buffers into the recogniser's format: channels averaged down to mono
// (or passed through when the counts match), then a windowed-sinc resampler whose low-pass sits
// below the lower of the two Nyquist frequencies, so that 44.1 or 48 kHz speech reaches a 16 kHz
// recogniser without aliasing. Stateful: buffers must come in order; finish() drains the filter.
class AudioConverter {
public:
    // Throws LumbexError ("This audio format cannot be transcribed.").
    AudioConverter(const AudioFormat& source, const AudioFormat& target);

    const AudioFormat& source() const { return source_; }
    const AudioFormat& target() const { return target_; }

    AudioBuffer convert(const AudioBuffer& buffer);
    // The output still held back by the filter's look-ahead, up to the end of the input.
    AudioBuffer finish();

private:
    void take(const AudioBuffer& buffer);
    AudioBuffer produce(bool draining);
    float tap(double offset) const;

    AudioFormat source_;
    AudioFormat target_;
    bool resample_ = false;
    double step_ = 1; // input frames per output frame
    int half_ = 0;    // filter half-width, input frames
    int phases_ = 0;  // table entries per input frame
    std::vector<float> table_;
    // Input frames (one per channel group of the target) from index `historyStart_` on.
    std::vector<float> history_;
    qint64 historyStart_ = 0;
    qint64 inputFrames_ = 0;
    qint64 outputFrames_ = 0;
};

} // namespace lumbex
