#pragma once

#include "platform/recording_media.h"

#include <functional>
#include <memory>

namespace lumbex {

// A stream of 48 kHz stereo float sound to the computer's speakers.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Blocks until the sound server has room for `sound` (a few tens of milliseconds ahead of
    // what is heard). Throws LumbexError when the stream broke.
    virtual void write(const std::vector<float>& sound) = 0;
    // Waits until everything written has been heard.
    virtual void drain() = 0;
    // Drops what was written and not heard yet, so that a stop is silent at once.
    virtual void discard() = 0;
};

// Throws LumbexError when no output can be opened.
using SoundOutputOpener = std::function<std::unique_ptr<SoundOutput>()>;

// The PulseAudio server's default sink (also PipeWire's Pulse server), with a short buffer so
// that sound keeps close to the pictures it plays beside.
std::unique_ptr<SoundOutput> openPulseAudioOutput();

} // namespace lumbex
