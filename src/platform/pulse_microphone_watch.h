#pragma once

#include <functional>
#include <memory>

namespace lumbex {

class PulseConnection;

// Follows the PulseAudio server's input devices: calls `changed` (on the server connection's own
// thread) whenever a source comes or goes, changes, or the server's default source changes, until
// the watch is destroyed. `watching()` is false when no server answered.
class PulseMicrophoneWatch {
public:
    explicit PulseMicrophoneWatch(std::function<void()> changed);
    ~PulseMicrophoneWatch();
    PulseMicrophoneWatch(const PulseMicrophoneWatch&) = delete;
    PulseMicrophoneWatch& operator=(const PulseMicrophoneWatch&) = delete;

    bool watching() const { return watching_; }

private:
    std::function<void()> changed_;
    std::unique_ptr<PulseConnection> connection_;
    bool watching_ = false;
};

} // namespace lumbex
