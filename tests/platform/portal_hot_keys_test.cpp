#include "platform/portal_hot_keys.h"
#include "support/event_waiting.h"
#include "support/shortcuts_portal_bus.h"

#include <gtest/gtest.h>
#include <vector>

namespace lumbex {
namespace {

const QKeyCombination kCtrlAltSuperF(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier,
                                     Qt::Key_F);
const QKeyCombination kCtrlSuperF5(Qt::ControlModifier | Qt::MetaModifier, Qt::Key_F5);

const std::map<int, PortalShortcutName> kNames = {
    {1, {QStringLiteral("capture-explain"), QStringLiteral("Capture and Explain")}},
    {2, {QStringLiteral("quick-capture"), QStringLiteral("Quick Capture")}},
};

// The fake portal on a private session bus, started with the options of each test.
class PortalHotKeysTest : public testing::Test {
protected:
    void SetUp() override {
        if (const QString reason = test::ShortcutsPortalBus::unavailableReason(); !reason.isEmpty())
            GTEST_SKIP() << reason.toStdString();
        portalBus = std::make_unique<test::ShortcutsPortalBus>();
        ASSERT_TRUE(portalBus->connected()) << "the private session bus did not start";
    }

    void TearDown() override {
        keys.reset();
        portalBus.reset();
    }

    void startPortal(const QStringList& options) {
        ASSERT_TRUE(portalBus->startPortal(options)) << "the fake portal did not start";
    }

    void openKeys(const QStringList& options = {}) {
        startPortal(options);
        keys = openPortalHotKeys(portalBus->bus(), kNames);
        ASSERT_NE(keys, nullptr);
        keys->setPressedHandler([this](int id) { presses.push_back(id); });
    }

    QStringList waitForCalls(const QString& start, qsizetype count) {
        return portalBus->waitForCalls(start, count);
    }

    void tell(const QByteArray& line) { portalBus->tell(line); }

    // Presses come as signals; waits for `count`, then a little longer to see a surplus one.
    void waitForPresses(std::size_t count) {
        test::processEventsUntil([&] { return presses.size() >= count; }, 5000);
        test::processEventsFor(300);
    }

    std::unique_ptr<test::ShortcutsPortalBus> portalBus;
    std::unique_ptr<HotKeys> keys;
    std::vector<int> presses;
};

TEST(PortalTriggerTest, CombinationsBecomeTheDesktopsTriggerText) {
    const struct {
        QKeyCombination keys;
        const char* trigger;
    } cases[] = {
        {kCtrlAltSuperF, "CTRL+ALT+LOGO+f"},
        {kCtrlSuperF5, "CTRL+LOGO+F5"},
        {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_N), "CTRL+SHIFT+n"},
        {QKeyCombination(Qt::AltModifier, Qt::Key_7), "ALT+7"},
        {QKeyCombination(Qt::MetaModifier, Qt::Key_Space), "LOGO+space"},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Adiaeresis), ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(portalTrigger(c.keys), QString::fromLatin1(c.trigger)) << c.trigger;
}

TEST_F(PortalHotKeysTest, ABoundShortcutIsRegisteredUnderItsNameAndTrigger) {
    openKeys();
    EXPECT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    EXPECT_TRUE(keys->unavailableReason().isEmpty());
    const QStringList binds = waitForCalls(QStringLiteral("BindShortcuts"), 1);
    ASSERT_EQ(binds.size(), 1);
    EXPECT_TRUE(binds[0].endsWith(u" capture-explain=CTRL+ALT+LOGO+f/Capture and Explain"))
        << binds[0].toStdString();
    EXPECT_EQ(waitForCalls(QStringLiteral("CreateSession"), 1).size(), 1);
}

TEST_F(PortalHotKeysTest, AnUnnamedIdIsBoundUnderItsNumber) {
    startPortal({});
    keys = openPortalHotKeys(portalBus->bus());
    ASSERT_NE(keys, nullptr);
    EXPECT_EQ(keys->add(7, kCtrlSuperF5), 0);
    const QStringList binds = waitForCalls(QStringLiteral("BindShortcuts"), 1);
    ASSERT_EQ(binds.size(), 1);
    EXPECT_TRUE(binds[0].contains(u" 7=CTRL+LOGO+F5/")) << binds[0].toStdString();
}

TEST_F(PortalHotKeysTest, ARefusedOrFailedRequestLeavesTheKeysUnavailable) {
    const struct {
        const char* name;
        QStringList options;
    } cases[] = {
        {"bind cancelled", {QStringLiteral("--bind-response"), QStringLiteral("1")}},
        {"bind failed", {QStringLiteral("--bind-response"), QStringLiteral("2")}},
        {"session refused", {QStringLiteral("--create-response"), QStringLiteral("2")}},
        {"bind unanswered", {QStringLiteral("--bind-response"), QStringLiteral("none")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        keys.reset();
        openKeys(c.options);
        EXPECT_EQ(keys->add(1, kCtrlAltSuperF), HotKeys::kUnavailable);
        // A session that bound nothing is not left open.
        if (c.options.first() == u"--bind-response") {
            EXPECT_EQ(waitForCalls(QStringLiteral("Close"), 1).size(), 1);
        }
    }
}

TEST_F(PortalHotKeysTest, APortalWithoutGlobalShortcutsOffersNoKeys) {
    startPortal({QStringLiteral("--no-global-shortcuts")});
    EXPECT_EQ(openPortalHotKeys(portalBus->bus(), kNames), nullptr);
}

TEST_F(PortalHotKeysTest, NoPortalOnTheBusOffersNoKeys) {
    EXPECT_EQ(openPortalHotKeys(portalBus->bus(), kNames), nullptr);
}

TEST_F(PortalHotKeysTest, AnActivationPressesItsShortcutOnce) {
    openKeys();
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    ASSERT_EQ(keys->add(2, kCtrlSuperF5), 0);
    tell("activate quick-capture");
    tell("deactivate quick-capture");
    waitForPresses(1);
    EXPECT_EQ(presses, std::vector<int>{2});
    tell("activate capture-explain");
    tell("activate unknown");
    waitForPresses(2);
    EXPECT_EQ(presses, (std::vector<int>{2, 1}));
}

TEST_F(PortalHotKeysTest, ChangingTheKeysClosesTheOldSessionAndBindsTheNewSet) {
    openKeys();
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    ASSERT_EQ(keys->add(2, kCtrlSuperF5), 0);
    QStringList sessions = waitForCalls(QStringLiteral("CreateSession"), 2);
    ASSERT_EQ(sessions.size(), 2);
    const QString first = sessions[0].section(u' ', 1);
    const QString second = sessions[1].section(u' ', 1);
    EXPECT_EQ(waitForCalls(QStringLiteral("Close"), 1),
              QStringList{QStringLiteral("Close ") + first});
    QStringList binds = waitForCalls(QStringLiteral("BindShortcuts"), 2);
    ASSERT_EQ(binds.size(), 2);
    EXPECT_TRUE(binds[1].startsWith(QStringLiteral("BindShortcuts ") + second + u' '));
    EXPECT_TRUE(binds[1].contains(u"capture-explain=CTRL+ALT+LOGO+f/"));
    EXPECT_TRUE(binds[1].contains(u"quick-capture=CTRL+LOGO+F5/"));

    keys->remove(1);
    binds = waitForCalls(QStringLiteral("BindShortcuts"), 3);
    ASSERT_EQ(binds.size(), 3);
    EXPECT_TRUE(binds[2].endsWith(u" quick-capture=CTRL+LOGO+F5/Quick Capture"))
        << binds[2].toStdString();
    EXPECT_TRUE(
        waitForCalls(QStringLiteral("Close"), 2).contains(QStringLiteral("Close ") + second));

    // The removed shortcut no longer presses anything, nor does a closed session's; the kept one
    // still does.
    tell("activate capture-explain");
    tell("activate-in-previous-session quick-capture");
    tell("activate quick-capture");
    waitForPresses(1);
    EXPECT_EQ(presses, std::vector<int>{2});
}

TEST_F(PortalHotKeysTest, RemovingEveryKeyThenAddingBindsOnce) {
    openKeys();
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    ASSERT_EQ(keys->add(2, kCtrlSuperF5), 0);
    keys->remove(1);
    keys->remove(2);
    ASSERT_EQ(keys->add(1, kCtrlSuperF5), 0);
    test::processEventsFor(300);
    const QStringList binds = waitForCalls(QStringLiteral("BindShortcuts"), 3);
    ASSERT_EQ(binds.size(), 3);
    EXPECT_TRUE(binds[2].endsWith(u" capture-explain=CTRL+LOGO+F5/Capture and Explain"));
}

TEST_F(PortalHotKeysTest, APortalThatVanishesLeavesKeysThatFailQuietly) {
    openKeys();
    ASSERT_EQ(keys->add(1, kCtrlAltSuperF), 0);
    portalBus->stopPortal();
    test::processEventsFor(200);
    EXPECT_EQ(keys->add(2, kCtrlSuperF5), HotKeys::kUnavailable);
    keys->remove(1);
    keys->remove(2);
    test::processEventsFor(200);
    EXPECT_TRUE(presses.empty());
}

} // namespace
} // namespace lumbex
