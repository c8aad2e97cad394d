#include "core/serial_queue.h"

namespace lumbex {

SerialQueue::SerialQueue() : thread_([this] { work(); }) {}

SerialQueue::~SerialQueue() {
    {
        const std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SerialQueue::post(std::function<void()> task) {
    {
        const std::lock_guard guard(lock_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

size_t SerialQueue::pending() const {
    const std::lock_guard guard(lock_);
    return tasks_.size() + running_;
}

void SerialQueue::work() {
    std::unique_lock guard(lock_);
    for (;;) {
        wake_.wait(guard, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty())
            return;
        std::function<void()> task = std::move(tasks_.front());
        tasks_.pop_front();
        running_ = 1;
        guard.unlock();
        task();
        guard.lock();
        running_ = 0;
    }
}

} // namespace lumbex
