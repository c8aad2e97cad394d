#include "app/shortcuts_ui/shortcut_recorder.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

class ShortcutRecorderTest : public testing::Test {
protected:
    void SetUp() override {
        recorder.setBeep([this] { ++beeps; });
        recorder.show();
    }

    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(&recorder, key, modifiers);
    }

    ShortcutRecorder recorder{std::nullopt, QStringLiteral("Capture and Explain shortcut")};
    int beeps = 0;
};

TEST_F(ShortcutRecorderTest, ShowsItsTextsAndLabel) {
    EXPECT_EQ(recorder.text(), "Click to Set");
    EXPECT_EQ(recorder.toolTip(), "Click, then press a shortcut. Escape cancels.");
    EXPECT_EQ(recorder.accessibleName(), "Capture and Explain shortcut");
    EXPECT_EQ(recorder.size(), QSize(160, 30));
    ShortcutRecorder withShortcut(CaptureShortcut{3, 0x1900}, QStringLiteral("x"));
    EXPECT_EQ(withShortcut.text(), "Ctrl+Alt+Super+F");
}

TEST_F(ShortcutRecorderTest, AValidCombinationIsRecordedAndEndsRecording) {
    QSignalSpy changed(&recorder, &ShortcutRecorder::shortcutChanged);
    recorder.click();
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_EQ(recorder.text(), "Press shortcut…");
    press(Qt::Key_Control, Qt::ControlModifier);
    press(Qt::Key_G, Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.shortcut(), (CaptureShortcut{5, 0x0B00}));
    EXPECT_EQ(recorder.text(), "Ctrl+Alt+Shift+G");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(beeps, 0);
}

struct RefusedRow {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

TEST_F(ShortcutRecorderTest, KeysThatCannotBeAShortcutBeepAndRecordingGoesOn) {
    const RefusedRow rows[] = {
        {"Space", Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier},
        {"an arrow", Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier},
        {"Ctrl and Shift only", Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier},
        {"no Ctrl", Qt::Key_F, Qt::AltModifier | Qt::MetaModifier},
        {"a plain letter", Qt::Key_F, Qt::NoModifier},
    };
    recorder.click();
    int expectedBeeps = 0;
    for (const RefusedRow& row : rows) {
        press(row.key, row.modifiers);
        EXPECT_EQ(beeps, ++expectedBeeps) << row.what;
        EXPECT_TRUE(recorder.isRecording()) << row.what;
        EXPECT_FALSE(recorder.shortcut()) << row.what;
    }
    // Modifiers pressed on their own are not refused: the person is still choosing.
    press(Qt::Key_Alt, Qt::AltModifier);
    press(Qt::Key_Meta, Qt::MetaModifier);
    EXPECT_EQ(beeps, expectedBeeps);
}

TEST_F(ShortcutRecorderTest, EscapeAndASecondClickCancelWithoutAChange) {
    recorder.setShortcut(CaptureShortcut{3, 0x1900});
    recorder.click();
    press(Qt::Key_Escape);
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.text(), "Ctrl+Alt+Super+F");
    recorder.click();
    recorder.click();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(recorder.shortcut(), (CaptureShortcut{3, 0x1900}));
    EXPECT_EQ(beeps, 0);
}

TEST_F(ShortcutRecorderTest, KeysArriveAsPlainPressesWhenNotRecording) {
    press(Qt::Key_F, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_FALSE(recorder.shortcut());
    EXPECT_EQ(beeps, 0);
}

} // namespace
} // namespace lumbex
