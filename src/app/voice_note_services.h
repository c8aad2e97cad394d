#pragma once

#include "records/capture_note.h"
#include "voice/voice_services.h"

namespace lumbex {

// The real services of a voice session over `note`: pocketsphinx primed with the note's own
// words, Core Audio Format audio through libsndfile, the audio server's microphones and the
// drafts folder beside the library.
VoiceServices systemVoiceServices(const CaptureNote& note);

// Where interrupted voice recordings keep their drafts.
QString voiceDraftsRoot();

// Opens a draft's audio for recovery: a file cut short reads as far as it goes.
AudioFileOpener voiceDraftAudioOpener();

} // namespace lumbex
