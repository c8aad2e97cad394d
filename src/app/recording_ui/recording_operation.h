#pragma once

#include "core/error.h"

#include <QObject>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace lumbex {

// One long step of the recording window (an export, frames being prepared) on a thread of its
// own, cancellable. Its owner's thread polls it, so the worker never posts to an object that may
// be gone; the destructor cancels the step and waits for it.
class RecordingOperation : public QObject {
    Q_OBJECT
public:
    // Runs on the worker; returns what to do on the owner's thread once it succeeded. May check
    // `cancelled` and set `progress` (0…1).
    using Job = std::function<std::function<void()>(const std::atomic<bool>& cancelled,
                                                    std::atomic<double>& progress)>;

    explicit RecordingOperation(QObject* parent = nullptr);
    ~RecordingOperation() override;

    bool isRunning() const { return running_; }
    // Starts `job` unless one is running (false then). `doing` completes an unexpected failure's
    // message (see jobError).
    bool start(const QString& doing, Job job);
    // Asks the running job to stop; it still ends through finished().
    void cancel();
    bool isCancelled() const { return state_ && state_->cancelled; }

signals:
    void progressed(double fraction);
    // The job ended: `error` is null when it succeeded (its continuation has run then).
    void finished(const LumbexError* error);

private:
    struct State {
        std::atomic<bool> cancelled = false;
        std::atomic<double> progress = 0;
        std::atomic<bool> done = false;
        std::function<void()> then;
        std::optional<LumbexError> error;
    };

    void poll();

    std::shared_ptr<State> state_;
    std::thread worker_;
    QTimer poll_;
    bool running_ = false;
};

} // namespace lumbex
