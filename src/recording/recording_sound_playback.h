#pragma once

#include "platform/sound_output.h"
#include "recording/composition_sound.h"

#include <QString>
#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

namespace lumbex {

// Plays a composition's sound from an output time on a thread of its own, beside the pictures
// of a player. Sound that cannot be played leaves the pictures playing: the problem is kept for
// the window to show.
class RecordingSoundPlayback {
public:
    RecordingSoundPlayback(SegmentSoundReader read, SoundOutputOpener open);
    ~RecordingSoundPlayback();

    // Stops what plays and plays `composition` from `outputTime` to its end.
    void start(std::shared_ptr<const RecordingComposition> composition, qint64 outputTime);
    // Silent at once; returns when the thread has ended.
    void stop();
    // Why sound could not be played, once.
    std::optional<QString> takeProblem();

private:
    void play(const CompositionSound& sound, qint64 from, qint64 duration);

    SegmentSoundReader read_;
    SoundOutputOpener open_;
    std::thread thread_;
    std::atomic<bool> stopping_ = false;
    std::mutex mutex_;
    std::optional<QString> problem_;
};

} // namespace lumbex
