#include "voice/voice_typing_step.h"

#include "core/error.h"
#include "model/note_document.h"
#include "voice/voice_session.h"

namespace lumbex {

VoiceTypingStep::VoiceTypingStep(NoteDocument& document, std::weak_ptr<VoiceSession> session,
                                 std::optional<Id> noteID, std::shared_ptr<const TextUndo> step)
    : QUndoCommand(QStringLiteral("Typing")), document_(document), session_(std::move(session)),
      noteID_(std::move(noteID)), step_(std::move(step)) {}

void VoiceTypingStep::undo() {
    put(step_->before);
}

void VoiceTypingStep::redo() {
    // QUndoStack::push calls redo() once; the typing is in the note by then.
    if (std::exchange(pushing_, false))
        return;
    put(step_->after);
}

void VoiceTypingStep::put(const VoiceDraft& draft) {
    if (!document_.note().body(noteID_))
        return;
    if (const auto session = session_.lock(); session && session->document() == &document_)
        return session->restoreTyping(draft);
    try {
        document_.update([&](CaptureNote& note) { note.setBody(draft.visible, noteID_); });
    } catch (const LumbexError&) {
        // The note cannot count another change; it stays as it is.
    }
}

} // namespace lumbex
