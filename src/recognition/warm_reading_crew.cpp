#include "recognition/warm_reading_crew.h"

#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lumbex {
namespace {

// How much less than a reading the warm-up's loading weighs with the scheduler.
constexpr int kWarmUpNiceness = 10;

// Makes engines on a short-lived thread of low priority: a thread's priority cannot be raised
// again without privileges, and the crew's own threads must read at full speed later.
std::function<std::unique_ptr<TextEngine>()>
atLowPriority(std::function<std::unique_ptr<TextEngine>()> makeEngine) {
    return [makeEngine = std::move(makeEngine)] {
        std::unique_ptr<TextEngine> engine;
        std::exception_ptr error;
        std::thread loader([&] {
            ::setpriority(PRIO_PROCESS, id_t(::syscall(SYS_gettid)), kWarmUpNiceness);
            try {
                engine = makeEngine();
            } catch (...) {
                error = std::current_exception();
            }
        });
        loader.join();
        if (error)
            std::rethrow_exception(error);
        return engine;
    };
}

} // namespace

WarmReadingCrew::WarmReadingCrew(std::function<std::unique_ptr<TextEngine>()> makeEngine,
                                 int threads, std::chrono::milliseconds idleRelease)
    : makeEngine_(std::move(makeEngine)), threads_(threads), idleRelease_(idleRelease),
      releaser_([this] { releaseWhenIdle(); }) {}

WarmReadingCrew::~WarmReadingCrew() {
    {
        const std::lock_guard guard(lock_);
        stopping_ = true;
    }
    changed_.notify_all();
    releaser_.join();
}

void WarmReadingCrew::warmUp() {
    const std::lock_guard guard(lock_);
    if (crew_)
        return;
    crew_ = std::make_unique<ReadingCrew>(atLowPriority(makeEngine_), threads_);
    lastUsed_ = std::chrono::steady_clock::now();
    changed_.notify_all();
}

bool WarmReadingCrew::holdsEngines() {
    const std::lock_guard guard(lock_);
    return crew_ != nullptr;
}

void WarmReadingCrew::cancel(Ticket ticket) {
    const std::lock_guard guard(lock_);
    if (std::find(line_.begin(), line_.end(), ticket) == line_.end())
        return;
    cancelled_.insert(ticket);
    if (running_ && line_.front() == ticket)
        crew_->cancel();
    changed_.notify_all();
}

void WarmReadingCrew::run(const std::function<void(Ticket)>& queued,
                          const std::function<void(ReadingCrew&)>& reading) {
    Ticket ticket;
    {
        const std::lock_guard guard(lock_);
        ticket = nextTicket_++;
        line_.push_back(ticket);
    }
    queued(ticket);

    std::unique_lock lock(lock_);
    changed_.wait(lock, [&] { return line_.front() == ticket || cancelled_.contains(ticket); });
    if (cancelled_.contains(ticket)) {
        line_.erase(std::find(line_.begin(), line_.end(), ticket));
        cancelled_.erase(ticket);
        changed_.notify_all();
        throw RecognitionCancelled();
    }
    if (!crew_)
        crew_ = std::make_unique<ReadingCrew>(makeEngine_, threads_);
    crew_->resume();
    running_ = true;
    ReadingCrew& crew = *crew_;
    lock.unlock();

    std::exception_ptr error;
    bool crewBroken = false;
    try {
        reading(crew);
    } catch (const RecognitionCancelled&) {
        error = std::current_exception();
    } catch (...) {
        error = std::current_exception();
        // A crew that failed keeps failing (an engine that could not load stays unloaded):
        // the next reading starts afresh.
        crewBroken = true;
    }

    lock.lock();
    running_ = false;
    line_.pop_front();
    cancelled_.erase(ticket);
    lastUsed_ = std::chrono::steady_clock::now();
    std::unique_ptr<ReadingCrew> broken;
    if (crewBroken)
        broken = std::move(crew_);
    changed_.notify_all();
    lock.unlock();
    broken.reset();
    if (error)
        std::rethrow_exception(error);
}

void WarmReadingCrew::releaseWhenIdle() {
    std::unique_lock lock(lock_);
    while (!stopping_) {
        if (!crew_ || !line_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto deadline = lastUsed_ + idleRelease_;
        if (changed_.wait_until(lock, deadline) == std::cv_status::no_timeout)
            continue;
        if (stopping_ || !crew_ || !line_.empty() || lastUsed_ + idleRelease_ > deadline)
            continue;
        // Unloading takes a moment: readings may queue (and load a new crew) meanwhile.
        std::unique_ptr<ReadingCrew> released = std::move(crew_);
        lock.unlock();
        released.reset();
        lock.lock();
    }
}

} // namespace lumbex
