#include "recording/recording_player.h"

#include <algorithm>
#include <limits>

namespace lumbex {
namespace {

// Pictures kept ready: enough to ride out a slow key frame without holding many 1080p images.
constexpr size_t kDecodeAhead = 4;
// How often a playing clock looks for the next picture; well under a 30 fps frame.
constexpr int kTickMilliseconds = 5;

} // namespace

RecordingPlayer::RecordingPlayer(QObject* parent)
    : QObject(parent), ahead_(kDecodeAhead, [this] {
          QMetaObject::invokeMethod(this, &RecordingPlayer::tick, Qt::QueuedConnection);
      }) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMilliseconds);
    connect(&timer_, &QTimer::timeout, this, &RecordingPlayer::tick);
}

// `ahead_`'s destructor joins the worker, which keeps its own reference to the composition; a
// tick it posted meanwhile is removed with this object's posted events.
RecordingPlayer::~RecordingPlayer() = default;

void RecordingPlayer::setSound(SegmentSoundReader read, SoundOutputOpener open) {
    stopSound();
    sound_ = std::make_unique<RecordingSoundPlayback>(std::move(read), std::move(open));
}

void RecordingPlayer::load(std::shared_ptr<const RecordingComposition> composition,
                           qint64 outputTime) {
    setPlaying(false);
    timer_.stop();
    stopSound();
    composition_ = std::move(composition);
    picture_ = {};
    emit pictureChanged();
    if (!composition_) {
        ahead_.stop();
        setPosition(0);
        return;
    }
    seek(outputTime);
}

qint64 RecordingPlayer::sourcePosition() const {
    return composition_ ? composition_->recording().selectedRange().start + position_ : 0;
}

void RecordingPlayer::seek(qint64 outputTime) {
    if (!composition_)
        return;
    setPosition(std::clamp<qint64>(outputTime, 0, std::max<qint64>(duration() - 1, 0)));
    clockRunning_ = false;
    stopSound();
    ahead_.start(composition_, position_, playing_);
}

void RecordingPlayer::play() {
    if (!composition_ || playing_)
        return;
    if (position_ >= duration())
        setPosition(0);
    setPlaying(true);
    clockRunning_ = false;
    ahead_.start(composition_, position_, true);
    timer_.start();
}

void RecordingPlayer::pause() {
    if (!playing_)
        return;
    setPlaying(false);
    timer_.stop();
    stopSound();
    // What was decoded ahead is not shown; the picture on screen stays.
    ahead_.stop();
}

void RecordingPlayer::tick() {
    if (!composition_)
        return;
    if (const std::optional<QString> message = ahead_.error()) {
        ahead_.stop();
        pause();
        emit failed(*message);
        return;
    }
    if (!playing_) {
        if (std::optional<RenderedFrame> frame = ahead_.takeDue(std::numeric_limits<qint64>::max()))
            show(std::move(*frame));
        return;
    }
    // The clock starts with the first picture of the ticket, so that opening the segment and
    // decoding from its key frame does not count as lateness.
    if (!clockRunning_) {
        if (!ahead_.hasReady())
            return;
        clockRunning_ = true;
        clockStart_ = position_;
        clock_.start();
        if (sound_)
            sound_->start(composition_, position_);
    }
    if (sound_)
        if (const std::optional<QString> problem = sound_->takeProblem())
            emit soundFailed(*problem);
    const qint64 now = clockStart_ + clock_.nsecsElapsed() / 1000;
    if (std::optional<RenderedFrame> frame = ahead_.takeDue(now))
        show(std::move(*frame));
    // The last picture stays on screen until the clock reaches the end of the movie.
    if (now < duration()) {
        setPosition(now);
        return;
    }
    setPosition(duration());
    setPlaying(false);
    timer_.stop();
}

void RecordingPlayer::stopSound() {
    if (sound_)
        sound_->stop();
}

void RecordingPlayer::show(RenderedFrame frame) {
    picture_ = std::move(frame);
    emit pictureChanged();
}

void RecordingPlayer::setPosition(qint64 outputTime) {
    if (outputTime == position_)
        return;
    position_ = outputTime;
    emit positionChanged(position_);
}

void RecordingPlayer::setPlaying(bool playing) {
    if (playing == playing_)
        return;
    playing_ = playing;
    emit playingChanged(playing_);
}

} // namespace lumbex
