#include "platform/pulse_connection.h"

namespace lumbex {
namespace {

// A server that accepts the connection but never answers must not hold the caller.
constexpr pa_usec_t kTimeout = 5 * PA_USEC_PER_SEC;

} // namespace

std::optional<bool> contextConnected(pa_context* context) {
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        return true;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        return false;
    default:
        return std::nullopt;
    }
}

PulseConnection::PulseConnection(const char* name) {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_ || pa_threaded_mainloop_start(loop_) < 0)
        return;
    lock();
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), name);
    if (context_) {
        pa_context_set_state_callback(
            context_,
            [](pa_context* context, void* self) {
                auto* connection = static_cast<PulseConnection*>(self);
                const pa_context_state_t state = pa_context_get_state(context);
                if ((state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) &&
                    connection->onLost)
                    connection->onLost();
                connection->signal();
            },
            this);
        if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0)
            ready_ = waitUntil([this] { return contextConnected(context_); });
    }
    unlock();
}

PulseConnection::~PulseConnection() {
    if (!loop_)
        return;
    stop();
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    pa_threaded_mainloop_free(loop_);
}

bool PulseConnection::waitUntil(const std::function<std::optional<bool>()>& done) {
    timedOut_ = false;
    pa_time_event* timer = pa_context_rttime_new(
        context_, pa_rtclock_now() + kTimeout,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
            auto* connection = static_cast<PulseConnection*>(self);
            connection->timedOut_ = true;
            connection->signal();
        },
        this);
    std::optional<bool> result;
    while (!(result = done()) && !timedOut_)
        pa_threaded_mainloop_wait(loop_);
    pa_threaded_mainloop_get_api(loop_)->time_free(timer);
    return result.value_or(false);
}

bool PulseConnection::complete(pa_operation* operation) {
    if (!operation)
        return false;
    const bool done = waitUntil([operation]() -> std::optional<bool> {
        if (pa_operation_get_state(operation) == PA_OPERATION_RUNNING)
            return std::nullopt;
        return pa_operation_get_state(operation) == PA_OPERATION_DONE;
    });
    if (!done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return done;
}

void PulseConnection::stop() {
    if (loop_)
        pa_threaded_mainloop_stop(loop_);
}

} // namespace lumbex
