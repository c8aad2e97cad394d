#pragma once

#include "core/ids.h"
#include "voice/text_replacement.h"

#include <QString>
#include <functional>
#include <optional>

class QMenu;

namespace lumbex {

class VoiceController;

// "%d:%02d" minutes and seconds of a recording's length.
QString voiceDurationText(double seconds);

// Fills a note row's voice options menu for the text `noteID` (none: the general note): import,
// language, and for each recording of that text playing, its transcript, transcribing it again,
// audio removal, recording removal and recovery files. Imports and new transcripts go at the
// text's `selection` as it is when they start.
void fillVoiceMenu(QMenu& menu, VoiceController& voice, const std::optional<Id>& noteID,
                   std::function<TextRange()> selection);

} // namespace lumbex
