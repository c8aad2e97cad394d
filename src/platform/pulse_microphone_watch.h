#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace lumbex {

class PulseConnection;

// Follows the PulseAudio server's input devices: calls `changed` (on a thread of its own)
// whenever a source comes or goes, changes, or the server's default source changes, until the
// watch is destroyed. A server that goes away (a crash, a restart of the sound system) counts as
// a change, and so does one that comes back: the watch connects again every `retry` until a
// server answers. `watching()` is false while no server answers.
class PulseMicrophoneWatch {
public:
    explicit PulseMicrophoneWatch(std::function<void()> changed,
                                  std::chrono::milliseconds retry = std::chrono::seconds(2));
    ~PulseMicrophoneWatch();
    PulseMicrophoneWatch(const PulseMicrophoneWatch&) = delete;
    PulseMicrophoneWatch& operator=(const PulseMicrophoneWatch&) = delete;

    bool watching() const { return watching_; }

private:
    // A connection that reports changes, or nothing when no server answered.
    std::unique_ptr<PulseConnection> subscribe();
    // Replaces a lost connection with a new one until the watch ends.
    void reconnect();

    std::function<void()> changed_;
    const std::chrono::milliseconds retry_;
    std::unique_ptr<PulseConnection> connection_;
    std::atomic<bool> watching_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool lost_ = false;
    bool ending_ = false;
    std::thread reconnecting_;
};

} // namespace lumbex
