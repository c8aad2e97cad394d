#include "app/editor/voice_hold_target.h"

#include "app/editor/editor_context.h"
#include "app/editor/note_row.h"
#include "app/editor/voice_controller.h"
#include "canvas/canvas_view.h"
#include "model/note_document.h"
#include "model/note_edits.h"
#include "voice/voice_session.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <set>

namespace lumbex {
namespace {

template <typename Items> std::set<Id> idsOf(const Items& items) {
    std::set<Id> ids;
    for (const auto& item : items)
        ids.insert(item.id);
    return ids;
}

template <typename Items>
std::optional<Id> addedTo(const Items& items, const std::set<Id>& before) {
    for (const auto& item : items)
        if (!before.contains(item.id))
            return item.id;
    return std::nullopt;
}

} // namespace

EditorVoiceHold::EditorVoiceHold(EditorContext& context, VoiceController& voice,
                                 QMainWindow& window)
    : VoiceHoldTarget(&window), context_(context), voice_(voice), hint_(new QLabel(&window)) {
    hint_->setObjectName(QStringLiteral("Voice hold hint"));
    hint_->setVisible(false);
    window.statusBar()->addPermanentWidget(hint_);
}

EditorVoiceHold::~EditorVoiceHold() = default;

VoiceHoldTarget::Start EditorVoiceHold::beginHold() {
    held_.reset();
    if (const auto live = VoiceSession::current()) {
        // One voice note at a time: the one running now is the person's to stop.
        context_.setStatus(
            VoiceSession::startRefusal(context_.document(), live->noteID(), false, false)
                .value_or(QStringLiteral("Stop the other voice note first.")));
        return Start::Refused;
    }
    if (NoteRow* row = focusedRow()) {
        voice_.toggle(row->noteID(), row->selection(), row->isComposing());
        const auto session = startedSession();
        if (!session)
            return Start::Refused;
        hold(session);
        return Start::Dictating;
    }
    if (!context_.activeMedia())
        return Start::Refused;
    context_.canvas().beginVoiceSelection();
    choosing_ = true;
    return Start::ChoosingLocation;
}

QWidget* EditorVoiceHold::canvas() const {
    return context_.canvas().viewport();
}

void EditorVoiceHold::pressVoiceLocation(QPoint at) {
    if (!choosing_)
        return;
    pressed_ = true;
    sendToCanvas(QEvent::MouseButtonPress, at);
}

bool EditorVoiceHold::isDraggingVoiceLocation() const {
    return pressed_;
}

void EditorVoiceHold::dragVoiceLocation(QPoint at) {
    sendToCanvas(QEvent::MouseMove, at);
}

VoiceHoldTarget::Start EditorVoiceHold::releaseVoiceLocation(QPoint at) {
    pressed_ = false;
    const CaptureNote& note = context_.note();
    const std::set<Id> notesBefore = idsOf(note.notes);
    const std::set<Id> marksBefore = idsOf(note.marks);
    // The canvas ends its choice and asks the editor to dictate at the place.
    sendToCanvas(QEvent::MouseButtonRelease, at);
    if (const auto session = startedSession()) {
        choosing_ = false;
        hold(session);
        held_->placedNote = addedTo(context_.note().notes, notesBefore);
        held_->placedMark = addedTo(context_.note().marks, marksBefore);
        return Start::Dictating;
    }
    // Nothing was placed, or the place was refused with its reason: the person may choose again.
    if (!context_.canvas().isChoosingVoiceLocation())
        context_.canvas().beginVoiceSelection();
    return Start::ChoosingLocation;
}

void EditorVoiceHold::stopAndKeep() {
    endChoosing();
    if (!held_)
        return;
    const auto session = held_->session;
    held_.reset();
    session->stop();
}

void EditorVoiceHold::cancelHold() {
    endChoosing();
    if (!held_)
        return;
    const std::shared_ptr<VoiceSession> session = held_->session;
    // What the discard needs, without the session: it is kept by its own finishing callback.
    Held taken = *held_;
    taken.session.reset();
    held_.reset();
    if (!session->isBusy()) {
        discard(taken);
        return;
    }
    // The session's last words and its audio settle first; then the whole voice note goes.
    session->onFinish = [previous = session->onFinish, self = QPointer(this), taken] {
        if (previous)
            previous();
        if (self)
            self->discard(taken);
    };
    session->stop();
}

void EditorVoiceHold::showHoldHint(const QString& text) {
    hint_->setText(text);
    hint_->setVisible(!text.isEmpty());
}

NoteRow* EditorVoiceHold::focusedRow() const {
    auto* text = qobject_cast<QPlainTextEdit*>(QApplication::focusWidget());
    if (!text || text->window() != &context_.window())
        return nullptr;
    for (QObject* parent = text->parent(); parent; parent = parent->parent())
        if (auto* row = qobject_cast<NoteRow*>(parent))
            return row;
    return nullptr;
}

std::shared_ptr<VoiceSession> EditorVoiceHold::startedSession() const {
    const auto live = VoiceSession::current();
    return live && live->document() == &context_.document() ? live : nullptr;
}

void EditorVoiceHold::hold(std::shared_ptr<VoiceSession> session) {
    // Before any word arrives the text is what it was when the hold began.
    const std::optional<QString> body = context_.note().body(session->noteID());
    held_ = Held{.session = session,
                 .recordingID = session->id(),
                 .noteID = session->noteID(),
                 .bodyBefore = body.value_or(QString())};
    // A session may end on its own during the hold (the microphone unplugged, transcription
    // falling behind): then the hold has nothing left to stop, and its hint goes.
    session->onFinish = [previous = session->onFinish, self = QPointer(this), id = session->id()] {
        if (previous)
            previous();
        if (self && self->held_ && self->held_->recordingID == id) {
            self->held_.reset();
            self->showHoldHint({});
        }
    };
    // The words should appear where the person sees them; a new location's row is built later.
    QTimer::singleShot(0, this, [this, noteID = session->noteID()] {
        auto* scroll =
            context_.window().findChild<QScrollArea*>(QStringLiteral("Inspector scroll"));
        const QString name =
            noteID ? QStringLiteral("note.") + idString(*noteID) : QStringLiteral("note.general");
        auto* row = scroll ? scroll->findChild<NoteRow*>(name) : nullptr;
        if (!row)
            return;
        // The row and the panel around it take their sizes first, so that its place is known.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        scroll->ensureWidgetVisible(row);
    });
}

void EditorVoiceHold::sendToCanvas(QEvent::Type type, QPoint at) {
    QWidget* surface = canvas();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    // The shortcut's modifiers are still down; they are not the canvas's to interpret.
    QMouseEvent event(type, QPointF(at), QPointF(surface->mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(surface, &event);
}

void EditorVoiceHold::endChoosing() {
    if (choosing_)
        context_.canvas().endVoiceSelection();
    choosing_ = false;
    pressed_ = false;
}

void EditorVoiceHold::discard(const Held& held) {
    const Id recordingID = held.recordingID;
    context_.change(QStringLiteral("Discard Voice Note"), [&](CaptureNote& note) {
        if (note.recordings) {
            std::erase_if(*note.recordings,
                          [&](const VoiceRecording& r) { return r.id == recordingID; });
            if (note.recordings->empty())
                note.recordings.reset();
        }
        if (held.placedNote) {
            if (note.body(held.placedNote))
                edits::removeNote(note, *held.placedNote);
        } else if (note.body(held.noteID)) {
            note.setBody(held.bodyBefore, held.noteID);
        }
        if (held.placedMark && note.mark(*held.placedMark))
            edits::deleteMark(note, *held.placedMark);
    });
}

} // namespace lumbex
