#include "recording/recording_frames_ahead.h"

#include "core/error.h"
#include "core/latest_work.h"
#include "recording/recording_frame_stream.h"

namespace lumbex {

RecordingFramesAhead::RecordingFramesAhead(size_t depth, std::function<void()> onReady)
    : depth_(std::max<size_t>(depth, 1)), onReady_(std::move(onReady)), worker_([this] { run(); }) {
}

RecordingFramesAhead::~RecordingFramesAhead() {
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void RecordingFramesAhead::start(std::shared_ptr<const RecordingComposition> composition,
                                 qint64 outputTime, bool continuous) {
    {
        const std::lock_guard lock(mutex_);
        job_ = Job{++ticket_, std::move(composition), outputTime, continuous};
        ready_.clear();
        ended_ = false;
        error_.reset();
    }
    wake_.notify_all();
}

void RecordingFramesAhead::stop() {
    const std::lock_guard lock(mutex_);
    ++ticket_;
    job_.reset();
    ready_.clear();
    ended_ = false;
    error_.reset();
}

std::optional<RenderedFrame> RecordingFramesAhead::takeDue(qint64 clock) {
    std::optional<RenderedFrame> due;
    {
        const std::lock_guard lock(mutex_);
        while (!ready_.empty() && ready_.front().outputTime <= clock) {
            due = std::move(ready_.front());
            ready_.pop_front();
        }
    }
    if (due)
        wake_.notify_all();
    return due;
}

bool RecordingFramesAhead::hasReady() const {
    const std::lock_guard lock(mutex_);
    return !ready_.empty();
}

std::optional<QString> RecordingFramesAhead::error() const {
    const std::lock_guard lock(mutex_);
    return error_;
}

bool RecordingFramesAhead::wanted() const {
    return job_ && !ended_ && !error_ && ready_.size() < depth_;
}

void RecordingFramesAhead::run() {
    // The stream reads the composition it was made from; the worker keeps both alive.
    quint64 streaming = 0;
    std::shared_ptr<const RecordingComposition> composition;
    std::unique_ptr<RecordingFrameStream> stream;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || wanted(); });
            if (quit_)
                return;
            job = *job_;
        }
        std::optional<RenderedFrame> frame;
        std::optional<QString> failure;
        try {
            if (job.ticket != streaming) {
                stream.reset();
                composition = job.composition;
                stream = std::make_unique<RecordingFrameStream>(*composition, job.outputTime);
                streaming = job.ticket;
            }
            if (std::optional<ComposedFrame> composed = stream->next())
                frame =
                    RenderedFrame{composed->outputTime, composed->sourceTime, composed->render()};
        } catch (...) {
            failure =
                jobError(std::current_exception(), QStringLiteral("play the recording")).message();
        }
        {
            const std::lock_guard lock(mutex_);
            if (!job_ || job_->ticket != job.ticket)
                continue;
            if (failure)
                error_ = failure;
            else if (frame)
                ready_.push_back(std::move(*frame));
            if (!frame || !job.continuous)
                ended_ = true;
        }
        if (onReady_)
            onReady_();
    }
}

} // namespace lumbex
