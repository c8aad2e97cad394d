#include "platform/portal_hot_keys.h"
#include "support/event_waiting.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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

void stop(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// A private session bus, and on it the fake portal started with the options of each test.
class PortalHotKeysTest : public testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed (package dbus)";
        ASSERT_TRUE(dir.isValid());
        daemon.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
             QStringLiteral("--print-address=1"),
             QStringLiteral("--address=unix:path=") + dir.path() + QStringLiteral("/bus")});
        ASSERT_TRUE(daemon.waitForReadyRead(10000)) << "the private session bus did not start";
        address = QString::fromLocal8Bit(daemon.readLine()).trimmed();
        bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(address, QStringLiteral("portal-hot-keys-test")));
        ASSERT_TRUE(bus->isConnected());
    }

    void TearDown() override {
        keys.reset();
        stop(portal);
        bus.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("portal-hot-keys-test"));
        stop(daemon);
    }

    void startPortal(const QStringList& options) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        portal.setProcessEnvironment(environment);
        portal.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&portal, &QProcess::readyReadStandardOutput, [this] {
            while (portal.canReadLine())
                calls << QString::fromUtf8(portal.readLine()).trimmed();
        });
        portal.start(QStringLiteral(LUMBEX_FAKE_SHORTCUTS_PORTAL), options);
        ASSERT_TRUE(test::processEventsUntil([this] { return calls.contains(u"ready"); }, 10000))
            << "the fake portal did not start";
    }

    void openKeys(const QStringList& options = {}) {
        startPortal(options);
        keys = openPortalHotKeys(*bus, kNames);
        ASSERT_NE(keys, nullptr);
        keys->setPressedHandler([this](int id) { presses.push_back(id); });
    }

    QStringList callsStartingWith(const QString& start) const {
        QStringList found;
        for (const QString& call : calls)
            if (call.startsWith(start))
                found << call;
        return found;
    }

    // The portal's log lags behind its answers by a pipe: waits for `count` such calls.
    QStringList waitForCalls(const QString& start, qsizetype count) {
        test::processEventsUntil([&] { return callsStartingWith(start).size() >= count; }, 5000);
        return callsStartingWith(start);
    }

    void tell(const QByteArray& line) {
        portal.write(line + '\n');
        portal.waitForBytesWritten(1000);
    }

    // Presses come as signals; waits for `count`, then a little longer to see a surplus one.
    void waitForPresses(std::size_t count) {
        test::processEventsUntil([&] { return presses.size() >= count; }, 5000);
        test::processEventsFor(300);
    }

    QTemporaryDir dir;
    QProcess daemon;
    QProcess portal;
    QString address;
    std::unique_ptr<QDBusConnection> bus;
    std::unique_ptr<HotKeys> keys;
    QStringList calls;
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
    keys = openPortalHotKeys(*bus);
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
        stop(portal);
        calls.clear();
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
    EXPECT_EQ(openPortalHotKeys(*bus, kNames), nullptr);
}

TEST_F(PortalHotKeysTest, NoPortalOnTheBusOffersNoKeys) {
    EXPECT_EQ(openPortalHotKeys(*bus, kNames), nullptr);
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
    stop(portal);
    test::processEventsFor(200);
    EXPECT_EQ(keys->add(2, kCtrlSuperF5), HotKeys::kUnavailable);
    keys->remove(1);
    keys->remove(2);
    test::processEventsFor(200);
    EXPECT_TRUE(presses.empty());
}

} // namespace
} // namespace lumbex
