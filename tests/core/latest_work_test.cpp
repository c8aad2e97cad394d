#include "core/latest_work.h"
#include "support/event_waiting.h"
#include "support/qt_printers.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace lumbex {
namespace {

// Waits up to five seconds for `flag`, so that a failing test ends rather than hangs.
bool waitFor(const std::atomic<bool>& flag) {
    QElapsedTimer waiting;
    waiting.start();
    while (!flag && waiting.elapsed() < 5000)
        QThread::msleep(1);
    return flag;
}

// Holds a job until the test opens it. Declared before the pool, so that it outlives the job.
struct Gate {
    std::atomic<bool> entered = false;
    std::atomic<bool> opened = false;

    void pass() {
        entered = true;
        waitFor(opened);
    }
    bool waitUntilEntered() const { return waitFor(entered); }
    void open() { opened = true; }
};

struct Owner : QObject {
    QThreadPool pool;
    LatestWork work{this, &pool};
    std::vector<QString> applied;
    std::vector<LumbexError> failures;

    template <typename Job> void start(Job job) {
        work.start(QStringLiteral("read the text"), std::move(job), recorder());
    }
    template <typename Job> void run(Job job) {
        work.run(QStringLiteral("read the text"), std::move(job), recorder());
    }
    std::function<void(const WorkOutcome<QString>&)> recorder() {
        return [this](const WorkOutcome<QString>& outcome) {
            EXPECT_EQ(QThread::currentThread(), thread()) << "outcomes reach the owner's thread";
            if (const LumbexError* error = outcome.error())
                failures.push_back(*error);
            else
                applied.push_back(outcome.value());
        };
    }
    bool settled() {
        pool.waitForDone();
        return test::processEventsUntil([this] { return !work.isPending(); }, 5000);
    }
};

TEST(LatestWorkTest, EveryExceptionBecomesTheMessageOfTheFailure) {
    struct Case {
        std::function<QString()> job;
        QString message;
        LumbexError::Kind kind;
    };
    const Case cases[] = {
        {[]() -> QString { throw std::bad_alloc(); }, "Not enough memory to read the text.",
         LumbexError::Kind::Plain},
        {[]() -> QString { throw std::runtime_error("engine state lost"); },
         "Couldn’t read the text: an unexpected error occurred (engine state lost).",
         LumbexError::Kind::Plain},
        {[]() -> QString { throw 42; }, "Couldn’t read the text: an unexpected error occurred.",
         LumbexError::Kind::Plain},
        {[]() -> QString {
             throw LumbexError(LumbexError::Kind::Outdated, QStringLiteral("Notes changed."));
         },
         "Notes changed.", LumbexError::Kind::Outdated},
    };
    for (const Case& c : cases) {
        Owner owner;
        owner.start(c.job);
        ASSERT_TRUE(owner.settled()) << c.message.toStdString();
        EXPECT_TRUE(owner.applied.empty());
        ASSERT_EQ(owner.failures.size(), 1u) << c.message.toStdString();
        EXPECT_EQ(owner.failures[0].message(), c.message);
        EXPECT_EQ(owner.failures[0].kind(), c.kind);
    }
}

TEST(LatestWorkTest, KeepsTheSystemErrorOfALumbexError) {
    Owner owner;
    owner.start([]() -> QString { throw LumbexError(QStringLiteral("Disk full."), ENOSPC); });
    ASSERT_TRUE(owner.settled());
    ASSERT_EQ(owner.failures.size(), 1u);
    EXPECT_EQ(owner.failures[0].systemError(), ENOSPC);
}

TEST(LatestWorkTest, AnOlderAttemptFinishingLastIsDropped) {
    Gate a, b;
    Owner owner;
    owner.pool.setMaxThreadCount(2);
    owner.start([&] {
        a.pass();
        return QStringLiteral("A");
    });
    ASSERT_TRUE(a.waitUntilEntered());
    owner.start([&] {
        b.pass();
        return QStringLiteral("B");
    });
    ASSERT_TRUE(b.waitUntilEntered());
    b.open();
    ASSERT_TRUE(test::processEventsUntil([&] { return !owner.applied.empty(); }, 5000));
    EXPECT_FALSE(owner.work.isPending());
    a.open();
    owner.pool.waitForDone();
    test::processEventsFor(50);
    EXPECT_EQ(owner.applied, std::vector<QString>{"B"});
    EXPECT_TRUE(owner.failures.empty());
}

TEST(LatestWorkTest, AStaleJobThatHasNotStartedNeverRuns) {
    Gate first;
    std::atomic<int> runs = 0;
    Owner owner;
    owner.pool.setMaxThreadCount(1);
    owner.start([&] {
        first.pass();
        return QStringLiteral("first");
    });
    ASSERT_TRUE(first.waitUntilEntered());
    for (int i = 0; i < 5; ++i)
        owner.start([&, i] {
            ++runs;
            return QString::number(i);
        });
    first.open();
    ASSERT_TRUE(owner.settled());
    EXPECT_EQ(runs, 1) << "only the latest of the waiting jobs runs";
    EXPECT_EQ(owner.applied, std::vector<QString>{"4"});
}

TEST(LatestWorkTest, JobsAddedToAnAttemptAllDeliverInOrderUntilDropped) {
    Gate gate;
    Owner owner;
    owner.pool.setMaxThreadCount(1);
    owner.start([] { return QStringLiteral("one"); });
    owner.run([] { return QStringLiteral("two"); });
    EXPECT_TRUE(owner.work.isPending());
    ASSERT_TRUE(owner.settled());
    EXPECT_EQ(owner.applied, (std::vector<QString>{"one", "two"}));

    owner.run([&] {
        gate.pass();
        return QStringLiteral("dropped");
    });
    ASSERT_TRUE(gate.waitUntilEntered());
    owner.work.drop();
    EXPECT_FALSE(owner.work.isPending());
    gate.open();
    owner.pool.waitForDone();
    test::processEventsFor(50);
    EXPECT_EQ(owner.applied.size(), 2u);
}

TEST(LatestWorkTest, DropAndWaitReturnsOnceTheRunningJobEnded) {
    std::atomic<bool> started = false;
    std::atomic<bool> ended = false;
    Owner owner;
    owner.start([&] {
        started = true;
        QThread::msleep(100);
        ended = true;
        return QStringLiteral("late");
    });
    ASSERT_TRUE(waitFor(started));
    owner.work.dropAndWait();
    EXPECT_TRUE(ended);
    test::processEventsFor(50);
    EXPECT_TRUE(owner.applied.empty());
}

TEST(LatestWorkTest, AnOwnerDestroyedWhileItsJobRunsGetsNothingAndDoesNotWait) {
    Gate gate;
    QThreadPool pool;
    int delivered = 0;
    std::thread opener;
    QElapsedTimer destroying;
    {
        QObject owner;
        LatestWork work(&owner, &pool);
        work.start(
            QStringLiteral("read the text"),
            [&] {
                gate.pass();
                return std::vector<QString>(1000, QStringLiteral("result"));
            },
            [&](const auto&) { ++delivered; });
        ASSERT_TRUE(gate.waitUntilEntered());
        opener = std::thread([&] {
            QThread::msleep(500);
            gate.open();
        });
        destroying.start();
    }
    EXPECT_LT(destroying.elapsed(), 400) << "destroying the owner does not wait for its job";
    opener.join();
    pool.waitForDone();
    test::processEventsFor(50);
    EXPECT_EQ(delivered, 0);
}

TEST(LatestWorkTest, AnOwnerDestroyedBeforeItsOutcomeIsAppliedGetsNothing) {
    int delivered = 0;
    QThreadPool pool;
    {
        QObject owner;
        LatestWork work(&owner, &pool);
        work.start(
            QStringLiteral("read the text"), [] { return QStringLiteral("posted"); },
            [&](const auto&) { ++delivered; });
        pool.waitForDone();
    }
    test::processEventsFor(50);
    EXPECT_EQ(delivered, 0);
}

} // namespace
} // namespace lumbex
