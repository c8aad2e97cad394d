#pragma once

#include "voice/voice_ports.h"

class QSettings;

namespace lumbex {

// The PulseAudio server's input devices (monitors of outputs left out) and this application's
// own choice among them, kept in `settings` under "voiceMicrophone" ({"id": device name,
// "name": description}). Every query asks the server afresh; an unreachable server has no
// microphones.
std::unique_ptr<Microphones> makePulseMicrophones(QSettings& settings);

// Opens a microphone of the server for float capture in its own rate and channel count. The
// capture fails with "Microphone disconnected. Recorded audio has been kept. Choose another
// microphone to continue." when the device goes away (it is never moved to another one).
MicrophoneOpener pulseMicrophoneOpener();

} // namespace lumbex
