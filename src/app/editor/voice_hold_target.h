#pragma once

#include "app/shortcuts_ui/voice_hold_gesture.h"
#include "records/capture_note.h"

#include <QEvent>
#include <memory>
#include <optional>

class QLabel;
class QMainWindow;

namespace lumbex {

class EditorContext;
class NoteRow;
class VoiceController;
class VoiceSession;

// What the voice shortcut's hold does in one editor window. With the cursor in a note text it
// dictates there, at the text's selection; otherwise the canvas waits for a click or drag that
// places a voice location, and the release of that press dictates into the location's note.
// Releasing the shortcut keeps the voice note; Escape discards it, with the location it placed.
class EditorVoiceHold : public VoiceHoldTarget {
    Q_OBJECT
public:
    EditorVoiceHold(EditorContext& context, VoiceController& voice, QMainWindow& window);
    ~EditorVoiceHold() override;

    Start beginHold() override;
    QWidget* canvas() const override;
    void pressVoiceLocation(QPoint at) override;
    bool isDraggingVoiceLocation() const override;
    void dragVoiceLocation(QPoint at) override;
    Start releaseVoiceLocation(QPoint at) override;
    void stopAndKeep() override;
    void cancelHold() override;
    void showHoldHint(const QString& text) override;

    VoiceController& voice() const { return voice_; }
    // The session the running hold dictates into, if any.
    std::shared_ptr<VoiceSession> heldSession() const { return held_ ? held_->session : nullptr; }

private:
    // What the hold added, so that a discarded hold can take it back.
    struct Held {
        std::shared_ptr<VoiceSession> session;
        Id recordingID;
        std::optional<Id> noteID;
        QString bodyBefore;
        std::optional<Id> placedNote = std::nullopt;
        std::optional<Id> placedMark = std::nullopt;
    };

    NoteRow* focusedRow() const;
    // The live session a new dictation in this window just started, if it is one.
    std::shared_ptr<VoiceSession> startedSession() const;
    void hold(std::shared_ptr<VoiceSession> session);
    void sendToCanvas(QEvent::Type type, QPoint at);
    void endChoosing();
    void discard(const Held& held);

    EditorContext& context_;
    VoiceController& voice_;
    QLabel* hint_;
    bool choosing_ = false;
    bool pressed_ = false;
    std::optional<Held> held_;
};

} // namespace lumbex
