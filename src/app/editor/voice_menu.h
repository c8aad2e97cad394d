#pragma once

#include "core/ids.h"

#include <QString>
#include <optional>

class QMenu;

namespace lumbex {

class VoiceController;

// "%d:%02d" minutes and seconds of a recording's length.
QString voiceDurationText(double seconds);

// Fills a note row's voice options menu for the text `noteID` (none: the general note): import,
// language, and for each recording of that text its transcript, audio removal, recording removal
// and recovery files.
void fillVoiceMenu(QMenu& menu, VoiceController& voice, const std::optional<Id>& noteID);

} // namespace lumbex
