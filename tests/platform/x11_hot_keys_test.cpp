#include "platform/x11_hot_keys.h"
#include "support/event_waiting.h"
#include "support/virtual_display.h"

#include <gtest/gtest.h>
#include <vector>

namespace lumbex {
namespace {

const QKeyCombination kCtrlAltSuperF(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                     Qt::Key_F);
// Not Ctrl+Alt+F5: the server keeps Ctrl+Alt with a function key for switching consoles.
const QKeyCombination kCtrlSuperF5(Qt::ControlModifier | Qt::MetaModifier, Qt::Key_F5);

class X11HotKeysTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(display.name().isEmpty()) << "Xvfb did not start";
        keys = connectX11HotKeys(display.name().toLocal8Bit());
        keys->setPressedHandler([this](int id) { presses.push_back(id); });
    }

    bool xdotool(const QStringList& arguments) {
        return display.run(QStringLiteral("xdotool"), arguments);
    }
    // Presses come through the event loop; waits for `count` of them, then a little longer so
    // that a surplus one would be seen too.
    void waitForPresses(std::size_t count) {
        test::processEventsUntil([&] { return presses.size() >= count; }, 5000);
        test::processEventsFor(200);
    }

    test::VirtualDisplay display;
    std::unique_ptr<HotKeys> keys;
    std::vector<int> presses;
};

TEST_F(X11HotKeysTest, AGrabbedCombinationPressedByAnotherClientReachesTheHandler) {
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    ASSERT_EQ(keys->add(2, kCtrlSuperF5), 0);
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+super+f"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+super+F5"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+f"})); // not registered: Super missing
    waitForPresses(2);
    EXPECT_EQ(presses, (std::vector<int>{1, 2}));
}

TEST_F(X11HotKeysTest, CapsLockAndNumLockDoNotHideTheKeys) {
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+super+f"}));
    ASSERT_TRUE(xdotool({"key", "Num_Lock"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+super+f"}));
    ASSERT_TRUE(xdotool({"key", "Caps_Lock"}));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+super+f"}));
    waitForPresses(3);
    EXPECT_EQ(presses, (std::vector<int>{1, 1, 1}));
}

TEST_F(X11HotKeysTest, ACombinationAnotherClientGrabbedFirstIsTaken) {
    const auto other = connectX11HotKeys(display.name().toLocal8Bit());
    ASSERT_EQ(other->add(7, kCtrlAltSuperF), 0);
    EXPECT_EQ(keys->add(1, kCtrlAltSuperF), HotKeys::kTaken);
    EXPECT_EQ(keys->add(2, kCtrlSuperF5), 0);
    // Once the other client lets go, the combination is free again.
    other->remove(7);
    EXPECT_EQ(keys->add(1, kCtrlAltSuperF), 0);
}

TEST_F(X11HotKeysTest, RemovedKeysNoLongerArrive) {
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    keys->remove(1);
    keys->remove(1);
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+super+f"}));
    waitForPresses(1);
    EXPECT_TRUE(presses.empty());
}

TEST_F(X11HotKeysTest, AHeldKeyCountsOnceAndTheNextPressAgain) {
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    // Repeats start 200 ms after the press, 30 a second.
    ASSERT_TRUE(display.run(QStringLiteral("xset"), {"r", "rate", "200", "30"}));
    ASSERT_TRUE(xdotool({"keydown", "ctrl+alt+super+f"}));
    test::processEventsFor(800);
    ASSERT_TRUE(xdotool({"keyup", "ctrl+alt+super+f"}));
    waitForPresses(1);
    EXPECT_EQ(presses, (std::vector<int>{1}));
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+super+f"}));
    waitForPresses(2);
    EXPECT_EQ(presses, (std::vector<int>{1, 1}));
}

TEST_F(X11HotKeysTest, KeysFollowAKeyboardMappingChange) {
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    // F moves to another key: the grab must move with it.
    ASSERT_TRUE(display.run(QStringLiteral("xmodmap"),
                            {"-e", "keycode 41 = g", "-e", "keycode 200 = f F"}));
    test::processEventsFor(300);
    ASSERT_TRUE(xdotool({"key", "ctrl+alt+super+f"}));
    waitForPresses(1);
    EXPECT_EQ(presses, (std::vector<int>{1}));
}

TEST(UnavailableHotKeys, RefusesEveryKeyAndSaysWhy) {
    const auto keys = unavailableHotKeys(QStringLiteral("Bind the key in your desktop."));
    EXPECT_EQ(keys->add(1, kCtrlAltSuperF), HotKeys::kUnavailable);
    EXPECT_EQ(keys->unavailableReason(), "Bind the key in your desktop.");
}

} // namespace
} // namespace lumbex
