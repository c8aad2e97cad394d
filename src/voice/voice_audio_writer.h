#pragma once

#include "platform/audio_files.h"
#include "voice/voice_ports.h"

#include <chrono>
#include <functional>

namespace lumbex {

// A monotonic clock, replaceable so that tests can step the meter's 0.1 s spacing.
using VoiceClock = std::function<std::chrono::steady_clock::time_point()>;

// The production writer: the stored file through `create`, the loudness into the signal and the
// recogniser's copy through an AudioConverter, all on one thread of its own.
std::unique_ptr<VoiceAudioWriter>
makeVoiceAudioWriter(const AudioFormat& source, LocalSpeech* speech, VoiceSignal& signal,
                     const QString& path, const AudioFileCreator& create, VoiceClock clock = {});

// Writers that store Core Audio Format files (16-bit PCM).
VoiceAudioWriterFactory voiceAudioWriterFactory(AudioFileCreator create = createCafFile);

} // namespace lumbex
