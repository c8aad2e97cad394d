#include "app/recording_ui/recording_operation.h"

#include "core/latest_work.h"

namespace lumbex {
namespace {

constexpr int kPollMilliseconds = 50;

} // namespace

RecordingOperation::RecordingOperation(QObject* parent) : QObject(parent) {
    poll_.setInterval(kPollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, &RecordingOperation::poll);
}

RecordingOperation::~RecordingOperation() {
    if (state_)
        state_->cancelled = true;
    if (worker_.joinable())
        worker_.join();
}

bool RecordingOperation::start(const QString& doing, Job job) {
    if (running_)
        return false;
    if (worker_.joinable())
        worker_.join();
    state_ = std::make_shared<State>();
    running_ = true;
    worker_ = std::thread([state = state_, doing, job = std::move(job)] {
        try {
            state->then = job(state->cancelled, state->progress);
        } catch (...) {
            state->error = jobError(std::current_exception(), doing);
        }
        state->done = true;
    });
    poll_.start();
    return true;
}

void RecordingOperation::cancel() {
    if (running_)
        state_->cancelled = true;
}

void RecordingOperation::poll() {
    if (!state_->done) {
        emit progressed(state_->progress);
        return;
    }
    poll_.stop();
    worker_.join();
    running_ = false;
    const std::shared_ptr<State> state = state_;
    if (!state->error && state->then) {
        try {
            state->then();
        } catch (const LumbexError& error) {
            state->error = error;
        }
    }
    emit finished(state->error ? &*state->error : nullptr);
}

} // namespace lumbex
