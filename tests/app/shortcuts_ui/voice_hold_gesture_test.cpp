// The voice shortcut's hold gesture in an editor-like window, driving a stand-in voice session:
// key down begins, key up or a dropped modifier ends and keeps, Escape cancels, and presses on the
// canvas place the voice location.
#include "app/shortcuts_ui/voice_hold_gesture.h"
#include "support/qt_printers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using Start = VoiceHoldTarget::Start;

class StandInSession : public VoiceHoldTarget {
public:
    StandInSession(QWidget* window, QWidget* canvas) : VoiceHoldTarget(window), canvas_(canvas) {}

    Start beginHold() override {
        calls << "begin";
        return start;
    }
    QWidget* canvas() const override { return canvas_; }
    void pressVoiceLocation(QPoint at) override {
        calls << QStringLiteral("press %1,%2").arg(at.x()).arg(at.y());
        dragging = true;
    }
    bool isDraggingVoiceLocation() const override { return dragging; }
    void dragVoiceLocation(QPoint at) override {
        calls << QStringLiteral("drag %1,%2").arg(at.x()).arg(at.y());
    }
    Start releaseVoiceLocation(QPoint at) override {
        calls << QStringLiteral("release %1,%2").arg(at.x()).arg(at.y());
        dragging = false;
        return afterRelease;
    }
    void stopAndKeep() override { calls << "keep"; }
    void cancelHold() override { calls << "cancel"; }
    void showHoldHint(const QString& text) override { hints << text; }

    Start start = Start::Dictating;
    Start afterRelease = Start::Dictating;
    bool dragging = false;
    QStringList calls;
    QStringList hints;

private:
    QWidget* canvas_;
};

class VoiceHoldGestureTest : public testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(note);
        canvas->setFixedSize(300, 200);
        layout->addWidget(canvas);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        note->setFocus();
        gesture.start();
    }

    void key(QEvent::Type type, int key, Qt::KeyboardModifiers modifiers, bool repeat = false) {
        const QString text = key >= Qt::Key_A && key <= Qt::Key_Z && modifiers == Qt::NoModifier
                                 ? QString(QChar(key).toLower())
                                 : QString();
        QKeyEvent event(type, key, modifiers, text, repeat);
        QApplication::sendEvent(window.windowHandle(), &event);
    }
    // Ctrl+Alt+D down, as a person presses it.
    void pressShortcut(bool repeat = false) {
        key(QEvent::KeyPress, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier, repeat);
    }
    // The held key's release, and the moment after it in which a repeat's press would come.
    void releaseHeldKey(Qt::KeyboardModifiers modifiers = Qt::ControlModifier | Qt::AltModifier) {
        key(QEvent::KeyRelease, Qt::Key_D, modifiers);
        QTest::qWait(VoiceHoldGesture::kRepeatGraceMs + 60);
    }
    QPoint inWindow(QPoint onCanvas) const { return canvas->mapTo(&window, onCanvas); }

    QWidget window;
    QLineEdit* note = new QLineEdit(&window);
    QWidget* canvas = new QWidget(&window);
    StandInSession* session = new StandInSession(&window, canvas);
    std::optional<CaptureShortcut> voice = CaptureShortcut{2, 0x0900}; // Ctrl+Alt+D
    VoiceHoldGesture gesture{[this] { return voice; }};
};

TEST_F(VoiceHoldGestureTest, KeyDownDictatesAndKeyUpStopsAndKeeps) {
    pressShortcut();
    EXPECT_TRUE(gesture.isHolding());
    pressShortcut(true); // the held key's repeats
    pressShortcut(true);
    EXPECT_EQ(note->text(), "") << "the held key reached the note";
    EXPECT_EQ(session->hints, QStringList{VoiceHoldGesture::kDictatingHint});
    EXPECT_EQ(VoiceHoldGesture::kDictatingHint,
              "Release the shortcut to stop and keep this voice note");
    key(QEvent::KeyRelease, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier, true);
    EXPECT_TRUE(gesture.isHolding()) << "a repeat's release ended the hold";
    key(QEvent::KeyRelease, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(gesture.isHolding()) << "the hold ended before a repeat could follow";
    EXPECT_EQ(session->calls, QStringList{"begin"});
    QTest::qWait(VoiceHoldGesture::kRepeatGraceMs + 60);
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->calls, (QStringList{"begin", "keep"}));
    EXPECT_EQ(session->hints.last(), "");
}

TEST_F(VoiceHoldGestureTest, ARepeatQtTookForAReleaseKeepsTheHold) {
    pressShortcut();
    // X11's repeat, its release not recognised as one: a release, then at once a plain press.
    for (int repeat = 0; repeat < 3; ++repeat) {
        key(QEvent::KeyRelease, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
        QTest::qWait(5);
        pressShortcut();
        QTest::qWait(VoiceHoldGesture::kRepeatGraceMs + 30);
        EXPECT_TRUE(gesture.isHolding()) << repeat;
    }
    EXPECT_EQ(note->text(), "") << "the held key reached the note";
    releaseHeldKey();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->calls, (QStringList{"begin", "keep"}));
}

TEST_F(VoiceHoldGestureTest, DroppingAHeldModifierEndsTheHoldOnce) {
    for (const int modifier : {Qt::Key_Alt, Qt::Key_Control}) {
        session->calls.clear();
        pressShortcut();
        key(QEvent::KeyRelease, modifier, Qt::ControlModifier | Qt::AltModifier);
        EXPECT_FALSE(gesture.isHolding());
        key(QEvent::KeyRelease, Qt::Key_D, Qt::ControlModifier);
        EXPECT_EQ(session->calls, (QStringList{"begin", "keep"})) << modifier;
    }
    // The key still down repeats without the modifiers: the note gets none of it, but a letter
    // typed after the key's release.
    session->calls.clear();
    pressShortcut();
    key(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier | Qt::AltModifier);
    key(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
    const auto repeatWithLetter = [&](QEvent::Type type) {
        QKeyEvent event(type, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"), false);
        QApplication::sendEvent(window.windowHandle(), &event);
    };
    for (int i = 0; i < 3; ++i) {
        repeatWithLetter(QEvent::KeyRelease);
        repeatWithLetter(QEvent::KeyPress);
    }
    repeatWithLetter(QEvent::KeyRelease);
    QTest::qWait(VoiceHoldGesture::kRepeatGraceMs + 60);
    repeatWithLetter(QEvent::KeyPress);
    EXPECT_EQ(note->text(), "d");
    EXPECT_EQ(session->calls, (QStringList{"begin", "keep"}));
    note->clear();

    // Shift was not part of the shortcut: releasing it changes nothing.
    session->calls.clear();
    pressShortcut();
    key(QEvent::KeyRelease, Qt::Key_Shift, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(gesture.isHolding());
    gesture.cancel();
    EXPECT_EQ(session->calls, (QStringList{"begin", "cancel"}));
}

TEST_F(VoiceHoldGestureTest, EscapeCancels) {
    pressShortcut();
    key(QEvent::KeyPress, Qt::Key_Escape, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(gesture.isHolding());
    key(QEvent::KeyRelease, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(session->calls, (QStringList{"begin", "cancel"}));
}

TEST_F(VoiceHoldGestureTest, OnTheCanvasAClickOrDragPlacesTheLocationThenDictates) {
    session->start = Start::ChoosingLocation;
    pressShortcut();
    EXPECT_EQ(session->hints, QStringList{VoiceHoldGesture::kChoosingLocationHint});
    EXPECT_EQ(VoiceHoldGesture::kChoosingLocationHint,
              "Click or drag a location to dictate · Release the shortcut to cancel");
    QTest::mousePress(window.windowHandle(), Qt::LeftButton, {}, inWindow({40, 50}));
    QTest::mouseMove(window.windowHandle(), inWindow({90, 70}));
    QTest::mouseRelease(window.windowHandle(), Qt::LeftButton, {}, inWindow({120, 80}));
    EXPECT_TRUE(gesture.isHolding());
    EXPECT_EQ(session->hints.last(), VoiceHoldGesture::kDictatingHint);
    releaseHeldKey();
    // The release arrives after a move to its own position.
    EXPECT_EQ(session->calls, (QStringList{"begin", "press 40,50", "drag 90,70", "drag 120,80",
                                           "release 120,80", "keep"}));
}

TEST_F(VoiceHoldGestureTest, APlaceRefusedAtTheReleaseLetsThePersonChooseAgainOrEnds) {
    session->start = Start::ChoosingLocation;
    session->afterRelease = Start::ChoosingLocation;
    pressShortcut();
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, inWindow({40, 50}));
    EXPECT_TRUE(gesture.isHolding());
    EXPECT_EQ(session->hints, (QStringList{VoiceHoldGesture::kChoosingLocationHint,
                                           VoiceHoldGesture::kChoosingLocationHint}));
    session->afterRelease = Start::Refused;
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, inWindow({60, 70}));
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->hints.last(), "");
    EXPECT_EQ(session->calls, (QStringList{"begin", "press 40,50", "release 40,50", "press 60,70",
                                           "release 60,70", "cancel"}));
}

TEST_F(VoiceHoldGestureTest, ReleasingBeforeALocationIsPlacedCancels) {
    session->start = Start::ChoosingLocation;
    pressShortcut();
    releaseHeldKey();
    EXPECT_EQ(session->calls, (QStringList{"begin", "cancel"}));
}

TEST_F(VoiceHoldGestureTest, APressOutsideTheCanvasEndsTheHoldAndGoesOn) {
    pressShortcut();
    const QPoint onNote = note->mapTo(&window, note->rect().center());
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, onNote);
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->calls, (QStringList{"begin", "keep"}));
}

TEST_F(VoiceHoldGestureTest, OnlyTheShortcutBeginsAHold) {
    // Not the shortcut, a repeat arriving first, no shortcut at all, and a window that cannot
    // dictate now: no hold begins.
    key(QEvent::KeyPress, Qt::Key_D, Qt::ControlModifier);
    pressShortcut(true);
    voice.reset();
    pressShortcut();
    voice = CaptureShortcut{2, 0x0900};
    session->start = Start::Refused;
    pressShortcut();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->calls, (QStringList{"begin"}));

    // A changed shortcut applies at once.
    session->start = Start::Dictating;
    voice = CaptureShortcut{2, 0x1100}; // Ctrl+Super+D
    pressShortcut();
    EXPECT_FALSE(gesture.isHolding());
    key(QEvent::KeyPress, Qt::Key_D, Qt::ControlModifier | Qt::MetaModifier);
    EXPECT_TRUE(gesture.isHolding());
    gesture.stop();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->calls.last(), "cancel");
}

TEST_F(VoiceHoldGestureTest, TheShortcutTypesNothingInTheNoteWhenRefusedOrRepeated) {
    // As X11 hands the shortcut over: with its letter, which the focused note would type.
    const auto pressWithLetter = [&](bool repeat) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_D, Qt::ControlModifier | Qt::AltModifier,
                        QStringLiteral("d"), repeat);
        QApplication::sendEvent(window.windowHandle(), &event);
    };
    session->start = Start::Refused;
    pressWithLetter(false);
    pressWithLetter(true);
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->calls, (QStringList{"begin"}));
    // Held on after the refusal, a repeat X11 reports as a new press asks again.
    session->start = Start::Dictating;
    pressWithLetter(false);
    EXPECT_TRUE(gesture.isHolding());
    releaseHeldKey();
    key(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier);
    EXPECT_EQ(note->text(), "x");
}

TEST_F(VoiceHoldGestureTest, WhileAScreenRecordingRunsTheShortcutDoesNothing) {
    bool recording = true;
    gesture.paused = [&] { return recording; };
    pressShortcut();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_TRUE(session->calls.isEmpty());
    recording = false;
    pressShortcut();
    EXPECT_TRUE(gesture.isHolding());
}

TEST_F(VoiceHoldGestureTest, StoppedItSeesNothingUntilStartedAgain) {
    gesture.stop();
    pressShortcut();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_TRUE(session->calls.isEmpty());
    gesture.start();
    pressShortcut();
    EXPECT_TRUE(gesture.isHolding());
}

TEST_F(VoiceHoldGestureTest, LosingTheWindowEndsTheHold) {
    pressShortcut();
    window.hide();
    EXPECT_FALSE(gesture.isHolding());
    EXPECT_EQ(session->calls, (QStringList{"begin", "keep"}));
}

} // namespace
} // namespace lumbex
