#include "platform/recording_sources.h"

#include <QDBusConnection>

namespace lumbex {

SleepWatcher::SleepWatcher(QObject* parent) : SleepWatcher(QDBusConnection::systemBus(), parent) {}

SleepWatcher::SleepWatcher(const QDBusConnection& bus, QObject* parent) : QObject(parent) {
    // Without a system bus or logind there is nothing to hear and nothing to report.
    if (!bus.isConnected())
        return;
    QDBusConnection(bus).connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(prepareForSleep(bool)));
}

void SleepWatcher::prepareForSleep(bool starting) {
    // The same signal says false on waking up.
    if (starting)
        emit goingToSleep();
}

} // namespace lumbex
