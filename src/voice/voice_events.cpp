#include "voice/voice_events.h"

namespace lumbex {

VoiceEvents& VoiceEvents::shared() {
    static VoiceEvents events;
    return events;
}

} // namespace lumbex
