#include "app/editor/note_row.h"

#include "app/editor/themed_icon.h"
#include "voice/voice_session.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
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

bool movesCursor(const QKeyEvent& key) {
    switch (key.key()) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return true;
    default:
        return false;
    }
}

// Focus leaving the text commits the typing at once; an input method's composition is noted;
// what a voice session writing into the text must hear of is passed on.
class FocusOutCommit : public QObject {
public:
    FocusOutCommit(NoteRow* row, bool& composing)
        : QObject(row), row_(row), composing_(composing) {}
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::FocusOut:
            row_->commitTyping();
            row_->voiceFieldEvent(VoiceFieldEvent::LeftField);
            break;
        case QEvent::InputMethod: {
            const bool was = composing_;
            composing_ = !static_cast<QInputMethodEvent*>(event)->preeditString().isEmpty();
            if (composing_ && !was)
                row_->voiceFieldEvent(VoiceFieldEvent::Composing);
            break;
        }
        case QEvent::MouseButtonPress:
            row_->voiceFieldEvent(VoiceFieldEvent::MovedCursor);
            break;
        case QEvent::KeyPress:
            if (movesCursor(*static_cast<QKeyEvent*>(event)))
                row_->voiceFieldEvent(VoiceFieldEvent::MovedCursor);
            break;
        default:
            break;
        }
        return false;
    }

private:
    NoteRow* row_;
    bool& composing_;
};

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
      actions_(new QToolButton(this)), microphone_(new QToolButton(this)),
      voiceStatus_(new QLabel(this)) {
    setObjectName(noteID ? QStringLiteral("note.") + idString(*noteID)
                         : QStringLiteral("note.general"));
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    input_->setPlaceholderText(QStringLiteral("Describe the change…"));
    input_->setAccessibleName(QStringLiteral("Note text"));
    input_->setTabChangesFocus(true);
    input_->setFixedHeight(72);
    fieldWatch_ = new FocusOutCommit(this, composing_);
    input_->installEventFilter(fieldWatch_);
    // Clicks land on the viewport, not on the field itself.
    input_->viewport()->installEventFilter(fieldWatch_);

    microphone_->setIcon(themedIcon(QStringLiteral("audio-input-microphone")));
    microphone_->setAccessibleName(QStringLiteral("Start voice note"));
    microphone_->setToolTip(QStringLiteral("Dictate into this note"));
    microphone_->setObjectName(QStringLiteral("Microphone"));
    microphone_->setCheckable(true);
    microphone_->setAutoRaise(true);
    connect(microphone_, &QToolButton::clicked, this, [this] {
        // The button shows the session's state, not the click's.
        microphone_->setChecked(!microphone_->isChecked());
        commitTyping();
        if (onVoice)
            onVoice(selection(), composing_);
    });
    voiceStatus_->setObjectName(QStringLiteral("Voice status"));
    voiceStatus_->setWordWrap(true);
    voiceStatus_->setVisible(false);

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
    header->addWidget(microphone_);
    auto* voiceOptions = new QToolButton(this);
    voiceOptions->setIcon(themedIcon(QStringLiteral("media-playlist-audio")));
    voiceOptions->setAccessibleName(QStringLiteral("Voice options"));
    voiceOptions->setToolTip(QStringLiteral("Voice options"));
    voiceOptions->setObjectName(QStringLiteral("Voice options"));
    voiceOptions->setAutoRaise(true);
    voiceOptions->setPopupMode(QToolButton::InstantPopup);
    auto* voiceMenu = new QMenu(voiceOptions);
    connect(voiceMenu, &QMenu::aboutToShow, this, [this, voiceMenu] {
        voiceMenu->clear();
        // Submenus are children of the menu, not of their actions.
        qDeleteAll(voiceMenu->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
        commitTyping();
        if (onVoiceMenu)
            onVoiceMenu(*voiceMenu);
    });
    voiceOptions->setMenu(voiceMenu);
    header->addWidget(voiceOptions);
    header->addWidget(actions_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 4);
    layout->addLayout(header);
    layout->addWidget(input_);
    layout->addWidget(voiceStatus_);
    layout->addWidget(include_);

    typingPause_.setSingleShot(true);
    typingPause_.setInterval(1000);
    connect(&typingPause_, &QTimer::timeout, this, &NoteRow::commitTyping);
    connect(input_, &QPlainTextEdit::textChanged, this, [this] {
        if (voiceFollows_) {
            if (onVoiceEdit)
                onVoiceEdit(input_->toPlainText(), composing_);
            return;
        }
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
    if (body && !typing_ && input_->toPlainText() != *body)
        setTextKeepingCursor(*body, dictatedCaret_);
    const bool included = noteID_ ? findNote(note, *noteID_) && findNote(note, *noteID_)->included
                                  : note.includeGeneral;
    include_->setChecked(included);
}

void NoteRow::setTextKeepingCursor(const QString& text, std::optional<qsizetype> caret) {
    const QString before = input_->toPlainText();
    qsizetype position = input_->textCursor().position();
    if (caret)
        position = *caret;
    else if (const auto change = TextReplacement::between(before, text))
        position = change->rebase(position);
    const QSignalBlocker blocker(input_);
    input_->setPlainText(text);
    QTextCursor cursor = input_->textCursor();
    cursor.setPosition(int(std::clamp<qsizetype>(position, 0, text.size())));
    input_->setTextCursor(cursor);
}

void NoteRow::underline(std::optional<TextRange> range) {
    QList<QTextEdit::ExtraSelection> selections;
    const qsizetype length = input_->toPlainText().size();
    if (range && !composing_ && range->end() <= length) {
        QTextEdit::ExtraSelection selection;
        selection.cursor = QTextCursor(input_->document());
        selection.cursor.setPosition(int(range->location));
        selection.cursor.setPosition(int(range->end()), QTextCursor::KeepAnchor);
        selection.format.setFontUnderline(true);
        selection.format.setUnderlineStyle(QTextCharFormat::DotLine);
        selections.append(selection);
    }
    input_->setExtraSelections(selections);
    input_->setAccessibleDescription(
        selections.isEmpty()
            ? QString()
            : QStringLiteral("Underlined text is still being transcribed. Editing it keeps your "
                             "wording."));
}

void NoteRow::showVoice(const VoiceSession* session) {
    const bool live = session && session->canStop();
    microphone_->setChecked(live);
    microphone_->setAccessibleName(live ? QStringLiteral("Stop voice note")
                                        : QStringLiteral("Start voice note"));
    voiceFollows_ = session && session->tracksTextEdits();
    if (voiceFollows_)
        commitTyping();
    dictatedCaret_ = session ? session->dictatedCaret() : std::nullopt;
    if (dictatedCaret_ && input_->textCursor().position() != *dictatedCaret_ &&
        *dictatedCaret_ <= input_->toPlainText().size()) {
        QTextCursor cursor = input_->textCursor();
        cursor.setPosition(int(*dictatedCaret_));
        input_->setTextCursor(cursor);
    }
    underline(session ? session->provisionalRange() : std::nullopt);
    QString status;
    if (session) {
        status = session->message();
        if (session->phase() == VoiceSession::Phase::Recording && session->isLive())
            status += QStringLiteral(" ") + QString(int(std::round(session->level() * 8)), u'▮');
    }
    voiceStatus_->setText(status);
    voiceStatus_->setVisible(!status.isEmpty());
}

NoteRow::~NoteRow() {
    delete fieldWatch_;
}

void NoteRow::voiceFieldEvent(VoiceFieldEvent event) {
    if (voiceFollows_ && onVoiceField)
        onVoiceField(event);
}

TextRange NoteRow::selection() const {
    const QTextCursor cursor = input_->textCursor();
    return {cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart()};
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
