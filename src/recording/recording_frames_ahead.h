#pragma once

#include "recording/recording_composition.h"

#include <QImage>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace lumbex {

// A picture of the composed movie, rendered at the output size.
struct RenderedFrame {
    qint64 outputTime = 0;
    qint64 sourceTime = 0;
    QImage image;
};

// Decodes and renders a composition's pictures on its own thread, a few ahead of whoever shows
// them. Every start() is a new ticket: pictures and errors of older tickets are dropped, and the
// worker leaves an older stream at its next picture. Used from one thread (the owner's); only
// `onReady` is called on the worker.
class RecordingFramesAhead {
public:
    // `depth` pictures are kept ready at most. `onReady` (may be empty) is called on the worker
    // after a picture, the end or an error of the current ticket arrived; it must not block.
    explicit RecordingFramesAhead(size_t depth, std::function<void()> onReady);
    // Stops the worker and waits for the picture it is on.
    ~RecordingFramesAhead();
    RecordingFramesAhead(const RecordingFramesAhead&) = delete;
    RecordingFramesAhead& operator=(const RecordingFramesAhead&) = delete;

    // Drops everything ready and starts decoding from `outputTime`: only the picture on screen
    // then, or, when `continuous`, every picture from there to the end of the movie.
    void start(std::shared_ptr<const RecordingComposition> composition, qint64 outputTime,
               bool continuous);
    // Drops everything ready and decodes nothing more.
    void stop();

    // The latest ready picture due by output time `clock`; the earlier ones are late and dropped.
    std::optional<RenderedFrame> takeDue(qint64 clock);
    // A picture of the current ticket is ready.
    bool hasReady() const;
    // The message the current ticket failed with; nothing while it has not failed.
    std::optional<QString> error() const;

private:
    struct Job {
        quint64 ticket = 0;
        std::shared_ptr<const RecordingComposition> composition;
        qint64 outputTime = 0;
        bool continuous = false;
    };

    void run();
    bool wanted() const; // with mutex_ held: the worker has something to decode

    const size_t depth_;
    const std::function<void()> onReady_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> job_;
    quint64 ticket_ = 0;
    std::deque<RenderedFrame> ready_;
    bool ended_ = false;
    std::optional<QString> error_;
    bool quit_ = false;
    std::thread worker_;
};

} // namespace lumbex
