#include "recording/recording_segment_writer.h"

#include "core/files.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <thread>

namespace lumbex {
namespace {

constexpr int kLargestSide = 16384;

bool supportedSide(int side) {
    return side >= 2 && side <= kLargestSide && side % 2 == 0;
}

} // namespace

qint64 RecordingSegmentWriter::videoBitRate(int width, int height) {
    return std::clamp<qint64>(qint64(width) * height * 4, 300000, 20000000);
}

RecordingSegmentWriter::RecordingSegmentWriter(const QString& directory, const Id& id, int width,
                                               int height, const std::vector<RecordingAudio>& audio,
                                               const MovieWriterFactory& openMovie,
                                               double fragmentSeconds)
    : id_(id), path_(directory + u'/' + idString(id) + QStringLiteral(".mov")) {
    if (!supportedSide(width) || !supportedSide(height) || !(fragmentSeconds >= 1) ||
        !(fragmentSeconds <= 30))
        throw LumbexError(QStringLiteral("Choose a supported recording size."));
    makeFolders(directory);
    std::vector<RecordingAudio> roles;
    for (const RecordingAudio role : {RecordingAudio::System, RecordingAudio::Microphone})
        if (std::find(audio.begin(), audio.end(), role) != audio.end())
            roles.push_back(role);
    movie_ = openMovie({path_, width, height, videoBitRate(width, height), fragmentSeconds, roles});
    for (const RecordingAudio role : roles)
        audioTimes_.emplace(role, std::numeric_limits<qint64>::min());
}

RecordingSegmentWriter::~RecordingSegmentWriter() {
    queue_.run([this] {
        if (!finishing_) {
            finishing_ = true;
            movie_->cancel();
        }
    });
}

void RecordingSegmentWriter::enqueueVideo(VideoSample sample) {
    if (waitingPictures_.fetch_add(1) >= kWaitingPictureLimit) {
        waitingPictures_.fetch_sub(1);
        ++droppedVideo_;
        return;
    }
    queue_.post([this, sample = std::move(sample)] {
        appendVideo(sample);
        waitingPictures_.fetch_sub(1);
    });
}

void RecordingSegmentWriter::enqueueAudio(RecordingAudio role, AudioSample sample) {
    queue_.post([this, role, sample = std::move(sample)] { appendAudio(role, sample); });
}

void RecordingSegmentWriter::enqueueKeepAlive(qint64 now) {
    queue_.post([this, now] { keepAlive(now); });
}

void RecordingSegmentWriter::appendVideo(const VideoSample& sample) {
    if (finishing_ || sample.image.isNull())
        return;
    if (lastVideo_ && sample.time <= lastVideo_->time) {
        ++droppedVideo_;
        return;
    }
    if (!firstTime_) {
        firstTime_ = sample.time;
        movie_->startSession(sample.time);
    }
    if (!movie_->appendVideo(sample)) {
        ++droppedVideo_;
        checkMovie();
        return;
    }
    lastVideo_ = sample;
    if (++videoFrames_ == 1 && firstFrame_)
        firstFrame_(sample.time);
    std::vector<std::pair<RecordingAudio, AudioSample>> pending;
    pending.swap(pendingAudio_);
    for (const auto& [role, audio] : pending)
        appendAudio(role, audio);
}

void RecordingSegmentWriter::appendAudio(RecordingAudio role, const AudioSample& sample) {
    if (finishing_ || !audioTimes_.contains(role) || sample.samples.empty())
        return;
    if (!lastVideo_) {
        if (int(pendingAudio_.size()) >= kPendingAudioLimit)
            ++droppedAudio_;
        else
            pendingAudio_.emplace_back(role, sample);
        return;
    }
    writeAudio(role, sample);
}

void RecordingSegmentWriter::writeAudio(RecordingAudio role, const AudioSample& sample) {
    if (sample.time < *firstTime_)
        return;
    qint64& last = audioTimes_.at(role);
    if (sample.time <= last) {
        ++droppedAudio_;
        return;
    }
    if (!movie_->appendAudio(role, sample)) {
        ++droppedAudio_;
        checkMovie();
        return;
    }
    last = sample.time;
}

void RecordingSegmentWriter::checkMovie() {
    if (failureTold_ || !failed_)
        return;
    if (const std::optional<LumbexError> failure = movie_->writeFailure()) {
        failureTold_ = true;
        failed_(*failure);
    }
}

void RecordingSegmentWriter::keepAlive(qint64 now) {
    if (finishing_ || !lastVideo_ || now - lastVideo_->time < kKeepAliveMicroseconds)
        return;
    VideoSample copy{lastVideo_->image, now};
    if (movie_->appendVideo(copy))
        lastVideo_ = std::move(copy);
}

RecordingSegment RecordingSegmentWriter::finish(qint64 end, const SegmentInspector& inspect) {
    struct Closed {
        qint64 firstTime;
        qint64 tailEnd;
    };
    const Closed closed = queue_.run([this, end] {
        if (finishing_)
            throw LumbexError(QStringLiteral("This recording segment is already finishing."));
        finishing_ = true;
        pendingAudio_.clear();
        return Closed{firstTime_.value_or(0), closeMovie(end)};
    });
    RecordingSegment segment = inspect(path_, id_);
    segment.hostStart = closed.firstTime;
    segment.hostEnd = closed.tailEnd;
    segment.droppedVideo = droppedVideo_;
    segment.droppedAudio = droppedAudio_;
    return segment;
}

// On the queue: holds the last picture until the end, so that a still screen keeps its length,
// then closes the movie. Returns the end of the movie in host time.
qint64 RecordingSegmentWriter::closeMovie(qint64 end) {
    if (!firstTime_ || !lastVideo_) {
        movie_->cancel();
        throw LumbexError(
            QStringLiteral("No video frames arrived. No complete recording was saved."));
    }
    const qint64 frame = kRecordingFrameMicroseconds;
    const qint64 tailEnd = std::max(end, lastVideo_->time + frame);
    if (tailEnd - frame > lastVideo_->time) {
        if (lastVideo_->image.isNull()) {
            movie_->cancel();
            throw LumbexError(QStringLiteral("The last recording frame could not be preserved."));
        }
        const VideoSample tail{lastVideo_->image, tailEnd - frame};
        int attempts = 0;
        while (!movie_->appendVideo(tail)) {
            // A file that cannot be written will not take the frame later either.
            if (std::optional<LumbexError> failure = movie_->writeFailure())
                throw *failure;
            if (++attempts == kTailAttempts)
                throw LumbexError(QStringLiteral("The video encoder stopped accepting frames. "
                                                 "Earlier fragments have been kept for recovery."));
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    movie_->endSession(tailEnd);
    if (!movie_->finish())
        throw LumbexError(QStringLiteral(
            "The recording could not be finalized. Its files have been kept for recovery."));
    return tailEnd;
}

void RecordingSegmentWriter::cancel() {
    queue_.run([this] {
        if (finishing_)
            return;
        finishing_ = true;
        pendingAudio_.clear();
        movie_->cancel();
    });
}

} // namespace lumbex
