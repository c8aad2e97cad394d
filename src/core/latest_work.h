#pragma once

#include "core/error.h"

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <variant>

namespace lumbex {

// The error to show for an exception a job ended with: a LumbexError as it is, running out of
// memory as "Not enough memory to <doing>.", anything else as an unexpected failure of <doing>.
// `doing` says what the job was doing, e.g. "read the text".
LumbexError jobError(const std::exception_ptr& thrown, const QString& doing);

// What a job ended with: its value, or the error to show in its place.
template <typename Value> class WorkOutcome {
public:
    explicit WorkOutcome(Value value) : outcome_(std::in_place_index<0>, std::move(value)) {}
    explicit WorkOutcome(LumbexError error) : outcome_(std::in_place_index<1>, std::move(error)) {}

    // Null when the job succeeded.
    const LumbexError* error() const { return std::get_if<1>(&outcome_); }
    // The job's value; only when error() is null.
    const Value& value() const { return std::get<0>(outcome_); }

private:
    std::variant<Value, LumbexError> outcome_;
};

// Runs `job` here and turns whatever it throws into the error to show (see jobError).
template <typename Job>
auto outcomeOf(const QString& doing, Job& job) -> WorkOutcome<std::decay_t<decltype(job())>> {
    using Outcome = WorkOutcome<std::decay_t<decltype(job())>>;
    try {
        return Outcome(job());
    } catch (...) {
        return Outcome(jobError(std::current_exception(), doing));
    }
}

// Work that an owner (a QObject) runs off its thread, where only the latest attempt counts. A job's
// outcome, value or error, reaches its `done` on the owner's thread, and only while its attempt is
// still the latest and the owner still exists: a newer attempt, drop() or the end of this work make
// it stale. A stale job that has not started yet is skipped; the outcome of one that ran is
// dropped. Nothing a job throws escapes its worker thread: it becomes the outcome's error. Used on
// the owner's thread only.
class LatestWork {
public:
    // `owner` holds this work (as a member, say), so that the work ends first. `pool` runs the
    // jobs and must outlive them; a pool of a single thread runs them in order.
    explicit LatestWork(QObject* owner, QThreadPool* pool = QThreadPool::globalInstance());
    // Makes every job stale without waiting for the one running.
    ~LatestWork();
    LatestWork(const LatestWork&) = delete;
    LatestWork& operator=(const LatestWork&) = delete;

    // Starts a new attempt with `job` (a copyable callable returning a value) on the pool; `done`
    // gets its WorkOutcome. `doing` completes "Not enough memory to …" (see jobError).
    template <typename Job, typename Done> void start(const QString& doing, Job job, Done done) {
        drop();
        run(doing, std::move(job), std::move(done));
    }
    // Adds `job` to the latest attempt, whose earlier jobs stay current.
    template <typename Job, typename Done> void run(const QString& doing, Job job, Done done);

    // Makes every job so far stale.
    void drop();
    // drop(), then waits for the job of this work that is running, if any: for an owner whose jobs
    // use something that ends with it. Jobs that have not started are skipped, not waited for.
    void dropAndWait();
    // A job of the latest attempt has not delivered yet.
    bool isPending() const { return shared_->pending > 0; }

private:
    // What the jobs on the pool share with the owner's thread; it outlives this work while a job
    // holds it.
    struct Shared {
        std::mutex lock;
        std::condition_variable idle;
        // Guarded by `lock`, changed only on the owner's thread. Null once this work ended.
        QObject* owner = nullptr;
        quint64 attempt = 0;
        // Guarded by `lock`: jobs running on the pool.
        int running = 0;
        // The owner's thread only.
        int pending = 0;
    };

    // On the worker: whether a job of `attempt` should still run; counts it as running if so.
    static bool begin(Shared& shared, quint64 attempt);
    // On the worker, once a job ran: hands `deliver` (when there is one) to the owner's thread
    // while `attempt` is still the latest, where it runs only if it still is then.
    static void finish(const std::shared_ptr<Shared>& shared, quint64 attempt,
                       std::function<void()> deliver) noexcept;
    // On the owner's thread.
    static bool isLatest(Shared& shared, quint64 attempt);

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
    QThreadPool* pool_;
};

template <typename Job, typename Done>
void LatestWork::run(const QString& doing, Job job, Done done) {
    const quint64 attempt = shared_->attempt;
    ++shared_->pending;
    pool_->start([shared = shared_, attempt, doing, job = std::move(job), done = std::move(done)] {
        if (!begin(*shared, attempt))
            return;
        std::function<void()> deliver;
        try {
            auto outcome = std::make_shared<decltype(outcomeOf(doing, job))>(outcomeOf(doing, job));
            deliver = [outcome, done] { done(*outcome); };
        } catch (...) {
            // Memory ran out again, even for the error: the outcome is lost, not the process.
        }
        finish(shared, attempt, std::move(deliver));
    });
}

} // namespace lumbex
