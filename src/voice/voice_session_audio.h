#pragma once

#include "voice/voice_session.h"
#include "voice/voice_signal.h"

#include <atomic>
#include <future>
#include <memory>

namespace lumbex {

// What the session's worker threads share with it: they keep it alive until they are done, so a
// session that is gone never pulls a device from under them. Members are destroyed writer first,
// because the writer uses the recogniser and the loudness record.
struct VoiceSession::Audio {
    VoiceSignal signal;
    std::shared_ptr<LocalSpeech> speech;
    std::unique_ptr<AudioFileInput> file;
    std::shared_ptr<MicrophoneCapture> capture;
    std::unique_ptr<VoiceAudioWriter> writer;
    std::atomic<bool> feedCancelled{false};
    // Ready once the import feed has appended its last buffer.
    std::shared_future<void> feed;
};

// Runs `work` on a thread of its own that nobody waits for.
void runDetached(std::function<void()> work);

// The list behind VoiceSession::sessions().
std::vector<std::shared_ptr<VoiceSession>>& liveVoiceSessions();

} // namespace lumbex
