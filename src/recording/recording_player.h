#pragma once

#include "recording/recording_frames_ahead.h"
#include "recording/recording_sound_playback.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QTimer>
#include <memory>

namespace lumbex {

// Plays a composition in output time, so that what it shows is exactly what an export writes
// (trim, crop, redactions). Pictures are decoded and rendered on a worker a few ahead of the
// clock; a picture whose time has passed when a later one is due is dropped. Every seek is a new
// ticket, so a picture of an older position never shows. Lives on the GUI thread.
class RecordingPlayer : public QObject {
    Q_OBJECT
public:
    explicit RecordingPlayer(QObject* parent = nullptr);
    ~RecordingPlayer() override;

    // Shows `composition` paused at `outputTime` (clamped into the movie). A null composition
    // shows nothing.
    void load(std::shared_ptr<const RecordingComposition> composition, qint64 outputTime = 0);
    // Plays the sound beside the pictures from now on; without this the player is silent.
    void setSound(SegmentSoundReader read, SoundOutputOpener open);
    // Moves to an output time (clamped into the movie), playing on when playing.
    void seek(qint64 outputTime);
    // Plays from the current position; from the start when it is at the end.
    void play();
    void pause();

    const RecordingComposition* composition() const { return composition_.get(); }
    bool isPlaying() const { return playing_; }
    // The output time shown; the duration once the end was played.
    qint64 position() const { return position_; }
    qint64 duration() const { return composition_ ? composition_->duration() : 0; }
    // The source time of the position.
    qint64 sourcePosition() const;
    // The picture shown, at the output size; null until the first one was decoded.
    const QImage& picture() const { return picture_.image; }
    const RenderedFrame& frame() const { return picture_; }

signals:
    // A new picture is shown.
    void pictureChanged();
    void positionChanged(qint64 outputTime);
    void playingChanged(bool playing);
    // Decoding failed with this message; the player paused.
    void failed(const QString& message);
    // The sound could not be played; the pictures play on.
    void soundFailed(const QString& message);

private:
    void tick();
    void show(RenderedFrame frame);
    void setPosition(qint64 outputTime);
    void setPlaying(bool playing);
    void stopSound();

    std::shared_ptr<const RecordingComposition> composition_;
    RecordingFramesAhead ahead_;
    std::unique_ptr<RecordingSoundPlayback> sound_;
    QTimer timer_;
    QElapsedTimer clock_;
    bool clockRunning_ = false;
    qint64 clockStart_ = 0; // output time at which the clock started
    qint64 position_ = 0;
    bool playing_ = false;
    RenderedFrame picture_;
};

} // namespace lumbex
