#pragma once

#include "core/ids.h"
#include "platform/sound_output.h"
#include "voice/voice_ports.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace lumbex {

// Plays the stored audio of one voice recording at a time through the speakers, on a thread of its
// own. Lives on the GUI thread; `finished` is called there once the audio has played to its end,
// was stopped, or could not be played (with the problem).
class VoicePlayback {
public:
    VoicePlayback(AudioFileOpener openFile, SoundOutputOpener openOutput);
    ~VoicePlayback();
    VoicePlayback(const VoicePlayback&) = delete;
    VoicePlayback& operator=(const VoicePlayback&) = delete;

    // Stops what plays and plays the audio file at `path` as the recording `id`. The file is
    // removed once it has been opened when `temporary` is set.
    void play(const Id& id, const QString& path, bool temporary);
    // Silent at once; returns when the thread has ended.
    void stop();
    // The recording that plays now.
    std::optional<Id> playing() const { return playing_; }

    std::function<void(const std::optional<QString>& problem)> finished;

private:
    void run(QString path, bool temporary, int run);
    void ended(int run, std::optional<QString> problem);

    AudioFileOpener openFile_;
    SoundOutputOpener openOutput_;
    std::optional<Id> playing_;
    std::thread thread_;
    std::atomic<bool> stopping_ = false;
    // Each play() has a number, so that the end of an older one is not taken for the present one.
    int runs_ = 0;
    // Results of the thread come back through this object's queue on the GUI thread.
    QObject receiver_;
};

} // namespace lumbex
