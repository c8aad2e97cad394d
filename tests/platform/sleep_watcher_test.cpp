#include "platform/recording_sources.h"
#include "support/event_waiting.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// A message bus of the test's own, standing in for the system bus.
class PrivateBus {
public:
    PrivateBus() {
        daemon_.start(QStringLiteral("dbus-daemon"),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromUtf8(daemon_.readLine().trimmed());
    }
    ~PrivateBus() {
        daemon_.terminate();
        daemon_.waitForFinished(3000);
    }
    const QString& address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

// Says on `bus` what logind says before and after sleep.
void announceSleep(QDBusConnection& logind, bool starting) {
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"));
    signal << starting;
    logind.send(signal);
}

TEST(SleepWatcher, OnlyGoingToSleepIsReported) {
    const PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    QDBusConnection watched =
        QDBusConnection::connectToBus(bus.address(), QStringLiteral("watched"));
    QDBusConnection logind = QDBusConnection::connectToBus(bus.address(), QStringLiteral("logind"));
    ASSERT_TRUE(logind.registerService(QStringLiteral("org.freedesktop.login1")));

    SleepWatcher watcher(watched);
    QSignalSpy sleeping(&watcher, &SleepWatcher::goingToSleep);
    test::processEventsFor(200); // the match rule reaches the bus

    struct Row {
        const char* name;
        bool starting;
        int reports;
    } rows[] = {{"going to sleep", true, 1}, {"waking up", false, 1}, {"sleeping again", true, 2}};
    for (const Row& row : rows) {
        announceSleep(logind, row.starting);
        test::processEventsUntil([&] { return sleeping.count() >= row.reports; }, 2000);
        test::processEventsFor(100);
        EXPECT_EQ(sleeping.count(), row.reports) << row.name;
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("watched"));
    QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
}

TEST(SleepWatcher, OthersCannotPretendTheComputerSleeps) {
    const PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    QDBusConnection watched = QDBusConnection::connectToBus(bus.address(), QStringLiteral("w2"));
    QDBusConnection other = QDBusConnection::connectToBus(bus.address(), QStringLiteral("other"));
    SleepWatcher watcher(watched);
    QSignalSpy sleeping(&watcher, &SleepWatcher::goingToSleep);
    test::processEventsFor(200);
    announceSleep(other, true);
    test::processEventsFor(500);
    EXPECT_EQ(sleeping.count(), 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("w2"));
    QDBusConnection::disconnectFromBus(QStringLiteral("other"));
}

TEST(SleepWatcher, WithoutABusItStaysQuiet) {
    QDBusConnection nowhere = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("nowhere"));
    ASSERT_FALSE(nowhere.isConnected());
    SleepWatcher watcher(nowhere);
    QSignalSpy sleeping(&watcher, &SleepWatcher::goingToSleep);
    test::processEventsFor(100);
    EXPECT_EQ(sleeping.count(), 0);
    QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));
}

} // namespace
} // namespace lumbex
