#pragma once

#include "core/ids.h"
#include "voice/voice_text_field.h"

#include <QUndoCommand>
#include <memory>
#include <optional>

namespace lumbex {

class NoteDocument;
class VoiceSession;

// The user's typing during a voice session as one "Typing" step of the note's undo stack. Its
// drafts keep receiving dictated words, so undo and redo put back the typing alone: the words
// dictated since stay, and the session goes on from the restored draft while it is alive.
class VoiceTypingStep : public QUndoCommand {
public:
    VoiceTypingStep(NoteDocument& document, std::weak_ptr<VoiceSession> session,
                    std::optional<Id> noteID, std::shared_ptr<const TextUndo> step);

    void undo() override;
    void redo() override;

private:
    void put(const VoiceDraft& draft);

    NoteDocument& document_;
    std::weak_ptr<VoiceSession> session_;
    std::optional<Id> noteID_;
    std::shared_ptr<const TextUndo> step_;
    bool pushing_ = true;
};

} // namespace lumbex
