#include "app/shortcuts_ui/shortcut_recorder.h"

#include <QApplication>
#include <QKeyEvent>

namespace lumbex {
namespace {

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Shift:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

} // namespace

ShortcutRecorder::ShortcutRecorder(std::optional<CaptureShortcut> shortcut, const QString& label,
                                   QWidget* parent)
    : QPushButton(parent), shortcut_(shortcut), beep_([] { QApplication::beep(); }) {
    setFixedSize(160, 30);
    setAccessibleName(label);
    setToolTip(QStringLiteral("Click, then press a shortcut. Escape cancels."));
    setAutoDefault(false);
    setFocusPolicy(Qt::StrongFocus);
    showShortcut();
    connect(this, &QPushButton::clicked, this, [this] {
        if (recording_)
            cancelRecording();
        else
            record();
    });
}

void ShortcutRecorder::setShortcut(std::optional<CaptureShortcut> shortcut) {
    recording_ = false;
    shortcut_ = shortcut;
    showShortcut();
    emit shortcutChanged();
}

void ShortcutRecorder::record() {
    setFocus(Qt::MouseFocusReason);
    recording_ = true;
    setText(QStringLiteral("Press shortcut…"));
}

void ShortcutRecorder::cancelRecording() {
    recording_ = false;
    showShortcut();
}

void ShortcutRecorder::showShortcut() {
    setText(shortcut_ ? shortcut_->keysText() : QStringLiteral("Click to Set"));
}

bool ShortcutRecorder::event(QEvent* event) {
    // Claims every combination before the window's shortcuts (Return, Escape, menus) act on it.
    if (recording_ && event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    return QPushButton::event(event);
}

void ShortcutRecorder::keyPressEvent(QKeyEvent* event) {
    if (!recording_) {
        QPushButton::keyPressEvent(event);
        return;
    }
    event->accept();
    const int key = event->key();
    if (key == Qt::Key_Escape) {
        cancelRecording();
        return;
    }
    // Modifiers on their way down are not a choice yet.
    if (isModifierKey(key) || event->isAutoRepeat())
        return;
    const auto made = CaptureShortcut::fromKey(key, event->modifiers());
    if (!made) {
        if (beep_)
            beep_();
        return;
    }
    setShortcut(*made);
}

void ShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    if (recording_)
        cancelRecording();
    QPushButton::focusOutEvent(event);
}

} // namespace lumbex
