#pragma once

#include "recognition/reading_crew.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <set>

namespace lumbex {

// The application's one reading crew, kept between readings so that each reading does not pay
// for loading the engines again. Readings take turns in the order they arrive; cancelling one
// leaves the engines loaded. After `idleRelease` without a reading the engines are released,
// and the next reading loads them again.
class WarmReadingCrew {
public:
    using Ticket = std::uint64_t;

    WarmReadingCrew(std::function<std::unique_ptr<TextEngine>()> makeEngine, int threads,
                    std::chrono::milliseconds idleRelease = std::chrono::minutes(10));
    ~WarmReadingCrew();
    WarmReadingCrew(const WarmReadingCrew&) = delete;
    WarmReadingCrew& operator=(const WarmReadingCrew&) = delete;

    // Starts loading the engines at low priority when none are loaded; returns at once.
    void warmUp();
    // Runs `reading` on the crew once the readings queued before it are done. `queued` gets the
    // reading's ticket first, for cancel(). Blocks the calling thread; rethrows what `reading`
    // threw, and throws RecognitionCancelled when cancelled before its turn.
    void run(const std::function<void(Ticket)>& queued,
             const std::function<void(ReadingCrew&)>& reading);
    // Stops the reading of `ticket`, waiting or running; the engines stay. Callable from any
    // thread; a ticket whose reading ended is ignored.
    void cancel(Ticket ticket);
    // Whether engines are held now (loaded or loading).
    bool holdsEngines();

private:
    void releaseWhenIdle();

    std::function<std::unique_ptr<TextEngine>()> makeEngine_;
    int threads_;
    std::chrono::milliseconds idleRelease_;

    std::mutex lock_;
    std::condition_variable changed_;
    std::unique_ptr<ReadingCrew> crew_;
    // Waiting and running readings; the first one runs.
    std::deque<Ticket> line_;
    std::set<Ticket> cancelled_;
    Ticket nextTicket_ = 0;
    bool running_ = false;
    std::chrono::steady_clock::time_point lastUsed_;
    bool stopping_ = false;
    std::thread releaser_;
};

} // namespace lumbex
