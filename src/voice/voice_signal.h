#pragma once

#include "voice/voice_ports.h"

#include <mutex>
#include <optional>
#include <vector>

namespace lumbex {

// The loudness record of one voice note: one mean power per 20 ms window of the source audio, so
// that quiet input and words recognised out of silence can be told apart. Written from the audio
// writer's thread and read from the GUI thread; every access takes the lock.
class VoiceSignal {
public:
    // -55 dB: the detection threshold never rises above this power, so a recording that is loud
    // throughout still counts as speech.
    static constexpr double kMinimumPower = 3.162277660168379e-6;

    struct Window {
        double start = 0;
        double end = 0;
        double power = 0;
    };

    // Measures one buffer; gives its meter level, 0…1.
    double append(const AudioBuffer& buffer);
    // Whether `range` (the whole recording so far when none) holds at least 80 ms of continuous
    // speech-like audio, judged against the noise floor of the windows around it.
    bool hasSignal(std::optional<AudioTimeRange> range = std::nullopt) const;

    std::vector<Window> windows() const;

private:
    mutable std::mutex mutex_;
    std::vector<Window> windows_;
    qint64 frames_ = 0;
    qint64 pendingFrames_ = 0;
    double pendingEnergy_ = 0;
    double sampleRate_ = 0;
};

} // namespace lumbex
