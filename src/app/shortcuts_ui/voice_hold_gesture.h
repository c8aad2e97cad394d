#pragma once

#include "shortcuts/capture_shortcut.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>

class QKeyEvent;
class QWidget;

namespace lumbex {

// What the hold gesture drives in an editor window: its voice session. An editor that can take
// dictation gives its window a child of this type; the gesture finds it in the active window.
class VoiceHoldTarget : public QObject {
    Q_OBJECT
public:
    enum class Start {
        Refused,          // nothing to dictate into now: the key goes on as any other key
        Dictating,        // dictation runs (into the focused note)
        ChoosingLocation, // the canvas waits for a click or drag that places the voice location
    };

    using QObject::QObject;

    virtual Start beginHold() = 0;
    // The canvas widget, where presses place the voice location.
    virtual QWidget* canvas() const = 0;
    // A press, drag and release on the canvas during a hold, in canvas coordinates; dictation at
    // the placed location begins with the release. The release says what the hold does next:
    // dictate, choose again (nothing was placed, or the place was refused), or end.
    virtual void pressVoiceLocation(QPoint at) = 0;
    virtual bool isDraggingVoiceLocation() const = 0;
    virtual void dragVoiceLocation(QPoint at) = 0;
    virtual Start releaseVoiceLocation(QPoint at) = 0;
    // The hold ended while dictating: stop and keep the voice note.
    virtual void stopAndKeep() = 0;
    // Escape, or a release before any location was placed: nothing is kept.
    virtual void cancelHold() = 0;
    // The editor's line that says what the gesture does now; empty when no hold is active.
    virtual void showHoldHint(const QString& text) = 0;
};

// The voice shortcut's hold gesture, inside Lumbex only: key down of the shortcut (not a repeat)
// in an editor window begins a hold; key up of the held key, releasing one of its modifiers, a
// press outside the canvas or the window losing focus ends it; Escape cancels it. During a hold,
// presses on the canvas place the voice location, and its drag and release follow while the
// canvas drags one.
class VoiceHoldGesture : public QObject {
    Q_OBJECT
public:
    static const QString kDictatingHint;
    static const QString kChoosingLocationHint;
    // X11 repeats a held key as a release and a press at the same moment, and Qt cannot always
    // tell them from a real release: the held key's release ends the hold only when no press of
    // that key follows within this time.
    static constexpr int kRepeatGraceMs = 80;

    // `shortcut` is asked at each key press, so a changed voice shortcut applies at once.
    explicit VoiceHoldGesture(std::function<std::optional<CaptureShortcut>()> shortcut,
                              QObject* parent = nullptr);
    ~VoiceHoldGesture() override;

    // Watches the application's input; stop() also cancels a hold.
    void start();
    void stop();
    void cancel();
    bool isHolding() const { return bool(target_); }

    // While this says so (a screen recording runs), the shortcut does nothing.
    std::function<bool()> paused;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool keyPressed(QObject* window, QKeyEvent& event);
    bool keyReleased(const QKeyEvent& event);
    bool mouse(QEvent& event);
    // Ends the hold as a release does: keeps a dictation, drops a location not yet placed.
    void finish();
    void setMode(VoiceHoldTarget::Start mode);

    std::function<std::optional<CaptureShortcut>()> shortcut_;
    bool running_ = false;
    QPointer<VoiceHoldTarget> target_;
    QPointer<QObject> window_;
    VoiceHoldTarget::Start mode_ = VoiceHoldTarget::Start::Refused;
    int heldKey_ = 0;
    Qt::KeyboardModifiers heldModifiers_;
    QTimer releaseGrace_;
    // A hold ended by a dropped modifier leaves its key down, and X11 goes on repeating it
    // without the modifiers: those presses would type its letter. They are dropped until the
    // key's release that no press follows.
    int trailingKey_ = 0;
    QTimer trailingGrace_;
};

} // namespace lumbex
