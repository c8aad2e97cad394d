#pragma once

#include "records/capture_note.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QToolButton;

namespace lumbex {

// The actions a row's menu offers, handed to the window.
enum class NoteAction { SelectLocation, Reconnect, MoveToGeneral, Remove };

// One note of the editor: the general note (no id) or a linked note, with its text, its include
// toggle and its actions. Typing is committed as one "Typing" step after a short pause or when
// the field loses focus. Voice controls are shown but disabled: dictation is not available yet.
class NoteRow : public QWidget {
    Q_OBJECT
public:
    NoteRow(std::optional<Id> noteID, QWidget* parent = nullptr);

    const std::optional<Id>& noteID() const { return noteID_; }
    // Shows the note's state; the text only changes while the person is not typing in it.
    void refresh(const CaptureNote& note);
    void focusText();
    // Commits typed text that is still waiting for its pause.
    void commitTyping();

    std::function<void(const QString&)> onText;
    std::function<void(bool)> onInclude;
    std::function<void(NoteAction)> onAction;

private:
    std::optional<Id> noteID_;
    QLabel* title_;
    QPlainTextEdit* input_;
    QCheckBox* include_;
    QToolButton* actions_;
    QTimer typingPause_;
    bool typing_ = false;
};

// The row title: "General note", or "Note N" (N the location number) with its state.
QString noteRowTitle(const CaptureNote& note, const std::optional<Id>& noteID);

} // namespace lumbex
