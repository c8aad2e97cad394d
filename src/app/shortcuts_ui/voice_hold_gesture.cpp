#include "app/shortcuts_ui/voice_hold_gesture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

namespace lumbex {
namespace {

constexpr Qt::KeyboardModifiers kShortcutModifiers =
    Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier;

// The modifier a modifier key holds, or none for any other key.
Qt::KeyboardModifiers modifierOf(int key) {
    switch (key) {
    case Qt::Key_Control:
        return Qt::ControlModifier;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return Qt::AltModifier;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return Qt::MetaModifier;
    case Qt::Key_Shift:
        return Qt::ShiftModifier;
    default:
        return {};
    }
}

// The voice session of the active editor window, if it has one.
VoiceHoldTarget* activeTarget(QObject* window) {
    auto* widgetWindow = qobject_cast<QWindow*>(window);
    QWidget* active = QApplication::activeWindow();
    if (!widgetWindow || !active || active->windowHandle() != widgetWindow)
        return nullptr;
    return active->findChild<VoiceHoldTarget*>();
}

} // namespace

const QString VoiceHoldGesture::kDictatingHint =
    QStringLiteral("Release the shortcut to stop and keep this voice note");
const QString VoiceHoldGesture::kChoosingLocationHint =
    QStringLiteral("Click or drag a location to dictate · Release the shortcut to cancel");

VoiceHoldGesture::VoiceHoldGesture(std::function<std::optional<CaptureShortcut>()> shortcut,
                                   QObject* parent)
    : QObject(parent), shortcut_(std::move(shortcut)) {
    releaseGrace_.setSingleShot(true);
    releaseGrace_.setInterval(kRepeatGraceMs);
    connect(&releaseGrace_, &QTimer::timeout, this, &VoiceHoldGesture::finish);
    trailingGrace_.setSingleShot(true);
    trailingGrace_.setInterval(kRepeatGraceMs);
    connect(&trailingGrace_, &QTimer::timeout, this, [this] { trailingKey_ = 0; });
}

VoiceHoldGesture::~VoiceHoldGesture() {
    stop();
}

void VoiceHoldGesture::start() {
    if (running_)
        return;
    running_ = true;
    qApp->installEventFilter(this);
}

void VoiceHoldGesture::stop() {
    cancel();
    if (!running_)
        return;
    running_ = false;
    qApp->removeEventFilter(this);
}

void VoiceHoldGesture::cancel() {
    releaseGrace_.stop();
    if (VoiceHoldTarget* target = target_) {
        target_.clear();
        target->showHoldHint({});
        target->cancelHold();
    }
}

void VoiceHoldGesture::finish() {
    releaseGrace_.stop();
    VoiceHoldTarget* target = target_;
    if (!target)
        return;
    target_.clear();
    target->showHoldHint({});
    if (mode_ == VoiceHoldTarget::Start::Dictating)
        target->stopAndKeep();
    else
        target->cancelHold();
}

void VoiceHoldGesture::setMode(VoiceHoldTarget::Start mode) {
    mode_ = mode;
    target_->showHoldHint(mode == VoiceHoldTarget::Start::Dictating ? kDictatingHint
                                                                    : kChoosingLocationHint);
}

bool VoiceHoldGesture::eventFilter(QObject* watched, QEvent* event) {
    // Input reaches a window first, then its widgets: look once, at the window.
    if (!watched->isWindowType())
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        return keyPressed(watched, static_cast<QKeyEvent&>(*event));
    case QEvent::KeyRelease:
        return keyReleased(static_cast<QKeyEvent&>(*event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        return target_ && watched == window_ && mouse(*event);
    case QEvent::FocusOut:
    case QEvent::Hide:
        // A key released elsewhere would never reach the application.
        if (target_ && watched == window_)
            finish();
        return false;
    default:
        return false;
    }
}

bool VoiceHoldGesture::keyPressed(QObject* window, QKeyEvent& event) {
    if (target_) {
        if (event.key() == Qt::Key_Escape) {
            cancel();
            return true;
        }
        if (event.key() != heldKey_)
            return false;
        // The key is still down: what looked like its release was a repeat.
        releaseGrace_.stop();
        return true;
    }
    if (trailingKey_ && event.key() == trailingKey_ && !(event.modifiers() & heldModifiers_)) {
        trailingGrace_.stop();
        return true;
    }
    trailingKey_ = 0;
    if (paused && paused())
        return false;
    const std::optional<CaptureShortcut> voice = shortcut_();
    if (!voice || CaptureShortcut::fromKey(event.key(), event.modifiers()) != voice)
        return false;
    VoiceHoldTarget* target = activeTarget(window);
    if (!target)
        return false;
    // In an editor the shortcut is the voice note's: X11 hands Ctrl+Alt+letter over with its
    // letter, which a focused note would type. A repeat, or a press refused (the status line
    // says why), types nothing either.
    if (event.isAutoRepeat())
        return true;
    const VoiceHoldTarget::Start start = target->beginHold();
    if (start == VoiceHoldTarget::Start::Refused)
        return true;
    target_ = target;
    window_ = window;
    heldKey_ = event.key();
    heldModifiers_ = event.modifiers() & kShortcutModifiers;
    setMode(start);
    return true;
}

bool VoiceHoldGesture::keyReleased(const QKeyEvent& event) {
    if (!target_) {
        if (!trailingKey_ || event.key() != trailingKey_)
            return false;
        trailingGrace_.start();
        return true;
    }
    if (event.isAutoRepeat())
        return event.key() == heldKey_;
    if (event.key() == heldKey_) {
        releaseGrace_.start();
        return true;
    }
    if (modifierOf(event.key()) & heldModifiers_) {
        trailingKey_ = heldKey_;
        finish();
    }
    return false;
}

bool VoiceHoldGesture::mouse(QEvent& event) {
    auto& mouseEvent = static_cast<QMouseEvent&>(event);
    QWidget* canvas = target_->canvas();
    const QPoint at =
        canvas ? canvas->mapFromGlobal(mouseEvent.globalPosition().toPoint()) : QPoint();
    switch (event.type()) {
    case QEvent::MouseButtonPress:
        if (mouseEvent.button() != Qt::LeftButton && mouseEvent.button() != Qt::RightButton)
            return false;
        if (!canvas || !canvas->isVisible() || !canvas->rect().contains(at)) {
            finish();
            return false;
        }
        target_->pressVoiceLocation(at);
        return true;
    case QEvent::MouseMove:
        if (!target_->isDraggingVoiceLocation())
            return false;
        target_->dragVoiceLocation(at);
        return true;
    default: {
        if (!target_->isDraggingVoiceLocation())
            return false;
        const VoiceHoldTarget::Start next = target_->releaseVoiceLocation(at);
        if (!target_)
            return true;
        if (next == VoiceHoldTarget::Start::Refused)
            finish();
        else
            setMode(next);
        return true;
    }
    }
}

} // namespace lumbex
