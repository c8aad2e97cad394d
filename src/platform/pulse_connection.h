#pragma once

#include <functional>
#include <optional>
#include <pulse/pulseaudio.h>

namespace lumbex {

// Whether `context` connected: true when ready, false when it failed or ended, nothing while it
// is still connecting.
std::optional<bool> contextConnected(pa_context* context);

// A threaded main loop with a context connected to the default server (PULSE_SERVER). Callers
// lock the loop around every call on the context. Never throws: `ready()` says whether it
// connected within the time allowed.
class PulseConnection {
public:
    explicit PulseConnection(const char* name);
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    bool ready() const { return ready_; }
    pa_threaded_mainloop* loop() const { return loop_; }
    pa_context* context() const { return context_; }

    void lock() { pa_threaded_mainloop_lock(loop_); }
    void unlock() { pa_threaded_mainloop_unlock(loop_); }
    void signal() { pa_threaded_mainloop_signal(loop_, 0); }
    // With the loop locked: waits until `done` gives an answer or five seconds pass (false).
    bool waitUntil(const std::function<std::optional<bool>()>& done);
    // With the loop locked: runs `operation` and waits for it to finish.
    bool complete(pa_operation* operation);
    // Joins the loop's thread: no callback runs after this.
    void stop();

    // Called with the loop locked when the context fails or ends.
    std::function<void()> onLost;

private:
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool ready_ = false;
    bool timedOut_ = false;
};

} // namespace lumbex
