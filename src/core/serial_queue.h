#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace lumbex {

// One thread that runs the tasks posted to it one at a time, in order: the single place where a
// piece of state is touched, so that it needs no lock of its own. The destructor runs what was
// already posted, then joins. Posted tasks must not throw.
class SerialQueue {
public:
    SerialQueue();
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void post(std::function<void()> task);
    // Runs `task` on the queue and waits for it; its result or exception comes back here. Must not
    // be called from the queue itself.
    template <typename Task> auto run(Task task) -> decltype(task()) {
        std::packaged_task<decltype(task())()> packaged(std::move(task));
        auto result = packaged.get_future();
        post([&packaged] { packaged(); });
        return result.get();
    }
    // Tasks posted and not yet finished.
    size_t pending() const;
    bool isCurrent() const { return std::this_thread::get_id() == thread_.get_id(); }

private:
    void work();

    mutable std::mutex lock_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    size_t running_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace lumbex
