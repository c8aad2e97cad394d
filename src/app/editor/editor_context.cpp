#include "app/editor/editor_context.h"

#include "canvas/canvas_view.h"
#include "core/error.h"
#include "model/note_document.h"
#include "model/note_edits.h"

#include <QMessageBox>

namespace lumbex {

EditorContext::EditorContext(NoteDocument& document, QWidget& window)
    : document_(document), window_(window) {
    if (!document_.note().media.empty())
        activeMediaID_ = document_.note().media.front().id;
}

const CaptureNote& EditorContext::note() const {
    return document_.note();
}

const Media* EditorContext::activeMedia() const {
    return note().image(activeMediaID_);
}

const Mark* EditorContext::selectedMark() const {
    const std::optional<Id> id = canvas_->selectedID();
    return id ? note().mark(*id) : nullptr;
}

bool EditorContext::change(const QString& actionName,
                           const std::function<void(CaptureNote&)>& body) {
    try {
        document_.change(actionName, body);
        return true;
    } catch (const LumbexError& e) {
        setStatus(e.message());
        return false;
    }
}

void EditorContext::editNoteOf(const Id& markID) {
    if (!note().mark(markID))
        return;
    if (!note().number(markID))
        change(QStringLiteral("Add Note"),
               [&](CaptureNote& n) { edits::ensureNoteForMark(n, markID); });
    for (const LinkedNote& linked : note().notes)
        if (linked.markID == markID)
            focusNote(linked.id);
}

void EditorContext::setStatus(const QString& message, const std::optional<CaptureNote>& content) {
    statusMessage_ = message;
    statusContent_ = content;
    if (statusChanged)
        statusChanged();
}

void EditorContext::dropStaleStatus() {
    if (statusContent_ && !note().hasSameRequestContent(*statusContent_)) {
        statusMessage_.clear();
        statusContent_.reset();
    }
}

void EditorContext::showError(const QString& message) {
    setStatus(message);
    auto* box = new QMessageBox(QMessageBox::Warning, message, message, QMessageBox::Ok, &window_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

} // namespace lumbex
