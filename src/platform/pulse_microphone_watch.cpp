#include "platform/pulse_microphone_watch.h"

#include "platform/pulse_connection.h"

namespace lumbex {

PulseMicrophoneWatch::PulseMicrophoneWatch(std::function<void()> changed,
                                           std::chrono::milliseconds retry)
    : changed_(std::move(changed)), retry_(retry), connection_(subscribe()) {
    watching_ = connection_ != nullptr;
    reconnecting_ = std::thread([this] { reconnect(); });
}

PulseMicrophoneWatch::~PulseMicrophoneWatch() {
    {
        const std::lock_guard lock(mutex_);
        ending_ = true;
    }
    wake_.notify_all();
    reconnecting_.join();
    // No callback runs once the loop's thread has been joined.
    if (connection_)
        connection_->stop();
}

std::unique_ptr<PulseConnection> PulseMicrophoneWatch::subscribe() {
    auto connection = std::make_unique<PulseConnection>("Lumbex microphone watch");
    if (!connection->ready())
        return nullptr;
    connection->lock();
    pa_context_set_subscribe_callback(
        connection->context(),
        [](pa_context*, pa_subscription_event_type_t event, uint32_t, void* self) {
            const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
            if (facility == PA_SUBSCRIPTION_EVENT_SOURCE ||
                facility == PA_SUBSCRIPTION_EVENT_SERVER)
                static_cast<PulseMicrophoneWatch*>(self)->changed_();
        },
        this);
    const bool subscribed = connection->complete(pa_context_subscribe(
        connection->context(),
        pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
        [](pa_context*, int, void* connection) {
            static_cast<PulseConnection*>(connection)->signal();
        },
        connection.get()));
    // The loop's thread hears the server go; the reconnecting thread does the rest.
    connection->onLost = [this] {
        {
            const std::lock_guard lock(mutex_);
            lost_ = true;
        }
        wake_.notify_all();
    };
    connection->unlock();
    if (!subscribed) {
        connection->stop();
        return nullptr;
    }
    return connection;
}

void PulseMicrophoneWatch::reconnect() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        if (connection_ && !lost_) {
            wake_.wait(lock, [this] { return ending_ || lost_; });
            continue;
        }
        if (connection_) {
            // Gone: its microphones are gone with it.
            lost_ = false;
            watching_ = false;
            lock.unlock();
            connection_->stop();
            connection_.reset();
            changed_();
            lock.lock();
            continue;
        }
        if (wake_.wait_for(lock, retry_, [this] { return ending_; }))
            break;
        lock.unlock();
        std::unique_ptr<PulseConnection> connection = subscribe();
        lock.lock();
        if (!connection)
            continue;
        // A loss in the meantime is already in `lost_`: the loop above goes round again.
        connection_ = std::move(connection);
        watching_ = true;
        lock.unlock();
        changed_();
        lock.lock();
    }
}

} // namespace lumbex
