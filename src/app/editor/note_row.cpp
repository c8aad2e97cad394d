#include "app/editor/note_row.h"

#include "app/editor/themed_icon.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace lumbex {
namespace {

const LinkedNote* findNote(const CaptureNote& note, const Id& id) {
    for (const LinkedNote& linked : note.notes)
        if (linked.id == id)
            return &linked;
    return nullptr;
}

// Focus leaving the text commits the typing at once.
class FocusOutCommit : public QObject {
public:
    FocusOutCommit(NoteRow* row) : QObject(row), row_(row) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::FocusOut)
            row_->commitTyping();
        return false;
    }

private:
    NoteRow* row_;
};

QToolButton* disabledVoiceControl(const QString& name, const QString& icon, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(themedIcon(icon));
    button->setAccessibleName(name);
    button->setToolTip(name + QStringLiteral(" · Dictation is not available yet"));
    button->setEnabled(false);
    button->setAutoRaise(true);
    return button;
}

} // namespace

QString noteRowTitle(const CaptureNote& note, const std::optional<Id>& noteID) {
    if (!noteID)
        return QStringLiteral("General note");
    const LinkedNote* linked = findNote(note, *noteID);
    if (!linked)
        return {};
    int position = 0;
    while (note.notes[position].id != *noteID)
        ++position;
    QString title = QStringLiteral("Note ") + QString::number(position + 1);
    if (linked->timeRange)
        title += QStringLiteral(" · Time note");
    else if (!linked->markID || !note.mark(*linked->markID))
        title += QStringLiteral(" · Not linked");
    if (!linked->included)
        title += QStringLiteral(" · Excluded");
    return title;
}

NoteRow::NoteRow(std::optional<Id> noteID, QWidget* parent)
    : QWidget(parent), noteID_(noteID), title_(new QLabel(this)), input_(new QPlainTextEdit(this)),
      include_(new QCheckBox(QStringLiteral("Include in request"), this)),
      actions_(new QToolButton(this)) {
    setObjectName(noteID ? QStringLiteral("note.") + idString(*noteID)
                         : QStringLiteral("note.general"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    input_->setPlaceholderText(QStringLiteral("Describe the change…"));
    input_->setAccessibleName(QStringLiteral("Note text"));
    input_->setTabChangesFocus(true);
    input_->setFixedHeight(72);
    input_->installEventFilter(new FocusOutCommit(this));

    actions_->setText(QStringLiteral("⋯"));
    actions_->setAccessibleName(QStringLiteral("Note actions"));
    actions_->setToolTip(QStringLiteral("Note actions"));
    actions_->setPopupMode(QToolButton::InstantPopup);
    actions_->setVisible(noteID.has_value());
    auto* menu = new QMenu(actions_);
    const auto add = [this, menu](const QString& title, NoteAction action) {
        menu->addAction(title, this, [this, action] {
            commitTyping();
            if (onAction)
                onAction(action);
        });
    };
    add(QStringLiteral("Select Location"), NoteAction::SelectLocation);
    add(QStringLiteral("Reconnect to Selection"), NoteAction::Reconnect);
    add(QStringLiteral("Move to General Note"), NoteAction::MoveToGeneral);
    add(QStringLiteral("Remove Note"), NoteAction::Remove);
    actions_->setMenu(menu);

    auto* header = new QHBoxLayout;
    header->addWidget(title_, 1);
    header->addWidget(disabledVoiceControl(QStringLiteral("Start voice note"),
                                           QStringLiteral("audio-input-microphone"), this));
    header->addWidget(disabledVoiceControl(QStringLiteral("Voice recordings"),
                                           QStringLiteral("media-playlist-audio"), this));
    header->addWidget(actions_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addLayout(header);
    layout->addWidget(input_);
    layout->addWidget(include_);

    typingPause_.setSingleShot(true);
    typingPause_.setInterval(1000);
    connect(&typingPause_, &QTimer::timeout, this, &NoteRow::commitTyping);
    connect(input_, &QPlainTextEdit::textChanged, this, [this] {
        typing_ = true;
        typingPause_.start();
    });
    connect(include_, &QCheckBox::clicked, this, [this](bool on) {
        commitTyping();
        if (onInclude)
            onInclude(on);
    });
}

void NoteRow::refresh(const CaptureNote& note) {
    title_->setText(noteRowTitle(note, noteID_));
    const std::optional<QString> body = note.body(noteID_);
    if (body && !typing_ && input_->toPlainText() != *body) {
        const QSignalBlocker blocker(input_);
        input_->setPlainText(*body);
    }
    const bool included = noteID_ ? findNote(note, *noteID_) && findNote(note, *noteID_)->included
                                  : note.includeGeneral;
    include_->setChecked(included);
}

void NoteRow::focusText() {
    input_->setFocus(Qt::OtherFocusReason);
    input_->moveCursor(QTextCursor::End);
}

void NoteRow::commitTyping() {
    typingPause_.stop();
    if (!typing_)
        return;
    typing_ = false;
    if (onText)
        onText(input_->toPlainText());
}

} // namespace lumbex
