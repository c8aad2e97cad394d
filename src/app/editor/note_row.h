#pragma once

#include "records/capture_note.h"
#include "voice/text_replacement.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QToolButton;

namespace lumbex {

class VoiceSession;

// The actions a row's menu offers, handed to the window.
enum class NoteAction { SelectLocation, Reconnect, MoveToGeneral, Remove };

// One note of the editor: the general note (no id) or a linked note, with its text, its include
// toggle and its actions. Typing is committed as one "Typing" step after a short pause or when
// the field loses focus; while a voice session writes into the text, every change goes to it at
// once instead. The microphone button starts and stops dictation into this text.
// What the person does in a note's text that a voice session writing into it follows.
enum class VoiceFieldEvent {
    // An input method opened a composition.
    Composing,
    // A click or a cursor key: the cursor stops following the dictated words.
    MovedCursor,
    // The field lost focus: the next typing is a new undo step.
    LeftField,
};

class NoteRow : public QWidget {
    Q_OBJECT
public:
    NoteRow(std::optional<Id> noteID, QWidget* parent = nullptr);
    ~NoteRow() override;

    const std::optional<Id>& noteID() const { return noteID_; }
    // Shows the note's state; the text only changes while the person is not typing in it.
    void refresh(const CaptureNote& note);
    void focusText();
    // The text's selection, and whether an input method composes in it: where a voice note
    // started from the keyboard dictates, and whether it may start.
    TextRange selection() const;
    bool isComposing() const { return composing_; }
    // Commits typed text that is still waiting for its pause.
    void commitTyping();

    std::function<void(const QString&)> onText;
    std::function<void(bool)> onInclude;
    std::function<void(NoteAction)> onAction;
    // The microphone button, with the field's selection and whether an input method composes.
    std::function<void(const TextRange& selection, bool composing)> onVoice;
    // Fills the voice options menu as it opens.
    std::function<void(QMenu& menu)> onVoiceMenu;
    // A change of the text while a voice session follows it.
    std::function<void(const QString& text, bool composing)> onVoiceEdit;
    // The other things a following session hears of.
    std::function<void(VoiceFieldEvent event)> onVoiceField;
    // Passes `event` on while a session follows this text.
    void voiceFieldEvent(VoiceFieldEvent event);

    // Shows the session of this text (none: no voice note yet): button, status line, level and
    // the words still being transcribed.
    void showVoice(const VoiceSession* session);

private:
    void setTextKeepingCursor(const QString& text, std::optional<qsizetype> caret);
    void underline(std::optional<TextRange> range);

    std::optional<Id> noteID_;
    QLabel* title_;
    QPlainTextEdit* input_;
    QCheckBox* include_;
    QToolButton* actions_;
    QToolButton* microphone_;
    QLabel* voiceStatus_;
    // Watches the field's events; gone before the field, whose last focus change comes after
    // this row's members.
    QObject* fieldWatch_ = nullptr;
    QTimer typingPause_;
    bool typing_ = false;
    // A live session follows this text: changes go to it at once.
    bool voiceFollows_ = false;
    bool composing_ = false;
    std::optional<qsizetype> dictatedCaret_;
};

// The row title: "General note", or "Note N" (N the location number) with its state.
QString noteRowTitle(const CaptureNote& note, const std::optional<Id>& noteID);

} // namespace lumbex
