#include "platform/pulse_microphone_watch.h"

#include "platform/pulse_connection.h"

namespace lumbex {

PulseMicrophoneWatch::PulseMicrophoneWatch(std::function<void()> changed)
    : changed_(std::move(changed)),
      connection_(std::make_unique<PulseConnection>("Lumbex microphone watch")) {
    if (!connection_->ready())
        return;
    connection_->lock();
    pa_context_set_subscribe_callback(
        connection_->context(),
        [](pa_context*, pa_subscription_event_type_t event, uint32_t, void* self) {
            const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
            if (facility == PA_SUBSCRIPTION_EVENT_SOURCE ||
                facility == PA_SUBSCRIPTION_EVENT_SERVER)
                static_cast<PulseMicrophoneWatch*>(self)->changed_();
        },
        this);
    watching_ = connection_->complete(pa_context_subscribe(
        connection_->context(),
        pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SERVER),
        [](pa_context*, int, void* connection) {
            static_cast<PulseConnection*>(connection)->signal();
        },
        connection_.get()));
    connection_->unlock();
}

PulseMicrophoneWatch::~PulseMicrophoneWatch() {
    // No callback runs once the loop's thread has been joined.
    connection_->stop();
}

} // namespace lumbex
