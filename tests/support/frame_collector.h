#pragma once

#include "core/error.h"
#include "platform/recording_media.h"

#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace lumbex::test {

// Collects what a recording source delivers on its own thread, for a test to wait on and read.
template <typename Sample> class SampleCollector {
public:
    std::function<void(Sample)> deliver() {
        return [this](Sample sample) {
            const std::lock_guard lock(mutex_);
            samples_.push_back(std::move(sample));
            ++callbacks_;
            changed_.notify_all();
        };
    }
    std::function<void(const LumbexError&)> failed() {
        return [this](const LumbexError& error) {
            const std::lock_guard lock(mutex_);
            failures_.push_back(error.message());
            ++callbacks_;
            changed_.notify_all();
        };
    }

    // Waits until `done` holds for the samples so far, at most `ms`; returns whether it holds.
    bool waitFor(const std::function<bool(const std::vector<Sample>&)>& done, int ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return done(samples_); });
    }
    bool waitForFailure(int ms) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return !failures_.empty(); });
    }

    std::vector<Sample> samples() const {
        const std::lock_guard lock(mutex_);
        return samples_;
    }
    std::vector<QString> failures() const {
        const std::lock_guard lock(mutex_);
        return failures_;
    }
    // Every delivery and failure so far.
    int callbacks() const {
        const std::lock_guard lock(mutex_);
        return callbacks_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Sample> samples_;
    std::vector<QString> failures_;
    int callbacks_ = 0;
};

} // namespace lumbex::test
