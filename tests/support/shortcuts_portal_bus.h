#pragma once

#include "support/event_waiting.h"
#include "support/private_session_bus.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace lumbex::test {

// A private D-Bus session bus with the fake global shortcuts portal
// (fake_shortcuts_portal_main.cpp) on it, and this process's connection to that bus. The
// portal's log of calls collects in `calls` while the event loop runs.
class ShortcutsPortalBus {
public:
    // Why there can be no bus here, or empty.
    static QString unavailableReason() { return PrivateSessionBus::unavailableReason(); }

    ShortcutsPortalBus() {
        if (private_.address().isEmpty())
            return;
        bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(
            private_.address(), QStringLiteral("shortcuts-portal-bus")));
    }

    ~ShortcutsPortalBus() {
        stopPortal();
        bus_.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("shortcuts-portal-bus"));
    }

    bool connected() const { return bus_ && bus_->isConnected(); }
    const QDBusConnection& bus() const { return *bus_; }

    // Starts the portal with `options`; returns whether it came up.
    bool startPortal(const QStringList& options) {
        stopPortal();
        calls.clear();
        portal_ = std::make_unique<QProcess>();
        portal_->setProcessEnvironment(private_.environment());
        portal_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(portal_.get(), &QProcess::readyReadStandardOutput, [this] {
            while (portal_->canReadLine())
                calls << QString::fromUtf8(portal_->readLine()).trimmed();
        });
        portal_->start(QStringLiteral(LUMBEX_FAKE_SHORTCUTS_PORTAL), options);
        return processEventsUntil([this] { return calls.contains(u"ready"); }, 10000);
    }

    void stopPortal() {
        if (portal_)
            stopProcess(*portal_);
        portal_.reset();
    }

    // A command for the portal: "activate <id>" and the like.
    void tell(const QByteArray& line) {
        portal_->write(line + '\n');
        portal_->waitForBytesWritten(1000);
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
        processEventsUntil([&] { return callsStartingWith(start).size() >= count; }, 5000);
        return callsStartingWith(start);
    }

    QStringList calls;

private:
    PrivateSessionBus private_;
    std::unique_ptr<QDBusConnection> bus_;
    std::unique_ptr<QProcess> portal_;
};

} // namespace lumbex::test
