#include "app/editor/voice_controller.h"

#include "app/editor/editor_context.h"
#include "canvas/canvas_view.h"
#include "model/note_edits.h"

namespace lumbex {

VoiceController::VoiceController(EditorContext& context) : context_(context) {}

void VoiceController::dictateAt(const Mark& draft, const std::optional<Id>& existingID) {
    if (existingID) {
        context_.canvas().selectAnnotation(existingID);
        context_.editNoteOf(*existingID);
        return;
    }
    if (context_.change(QStringLiteral("Add Voice Location"),
                        [&](CaptureNote& note) { edits::addMark(note, draft); }))
        context_.editNoteOf(draft.id);
}

bool VoiceController::endHeldDictation() {
    return false;
}

} // namespace lumbex
