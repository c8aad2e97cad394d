#pragma once

#include "voice/voice_ports.h"

#include <QString>
#include <functional>
#include <optional>

namespace lumbex {

// Everything a voice session reaches outside itself. The application fills it with the audio
// server, the recogniser and the real clock; tests give scripted stand-ins and short deadlines.
struct VoiceServices {
    LocalSpeechFactory makeSpeech;
    // The microphone live dictation uses: the application's choice, or the system default.
    std::function<std::optional<Microphone>()> currentMicrophone;
    MicrophoneOpener openMicrophone;
    AudioFileOpener openAudioFile;
    VoiceAudioWriterFactory makeWriter;
    // The folder that holds every recovery draft.
    QString draftsRoot;
    // Live dictation starts only while the note's window is the active one; none: always.
    std::function<bool()> noteIsActive;
    // Blocks on a worker thread until the microphone may be used; throws LumbexError. None: the
    // microphone must exist and open.
    std::function<void(const std::optional<Microphone>&)> authorizeMicrophone;
    // Blocks on a worker thread until every result is in; none: the recogniser's finish().
    std::function<void(LocalSpeech&)> finishTranscript;
    int microphonePermissionTimeoutMs = 30'000;
    int transcriptTimeoutMs = 15'000;
    // Seconds on a steady clock, for undo coalescing; none: the system clock.
    std::function<double()> clock;
};

} // namespace lumbex
