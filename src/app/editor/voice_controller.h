#pragma once

#include "records/mark.h"

#include <optional>

namespace lumbex {

class EditorContext;

// The voice notes of one editor window, as the canvas reaches them. This build records no voice:
// a location chosen for dictation becomes a location note to type into, and no dictation key is
// ever held. Recording, transcription and the held shortcut belong here.
class VoiceController {
public:
    explicit VoiceController(EditorContext& context);

    // The end of a voice-location choice: a new location (the draft) or an existing mark.
    void dictateAt(const Mark& draft, const std::optional<Id>& existingID);
    // Escape first ends a held-key dictation; true when there was one to end.
    bool endHeldDictation();

private:
    EditorContext& context_;
};

} // namespace lumbex
