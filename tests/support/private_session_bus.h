#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace lumbex::test {

// Ends a helper process of a test: asks first, then forces it.
inline void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(3000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}

// A D-Bus session bus of the test's own (dbus-daemon on a socket in a temporary folder), ended
// by its own process handle when the object goes.
class PrivateSessionBus {
public:
    // Why there can be none here, or empty.
    static QString unavailableReason() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return QStringLiteral("dbus-daemon is not installed (package dbus)");
        return {};
    }

    PrivateSessionBus() {
        daemon_.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
             QStringLiteral("--print-address=1"),
             QStringLiteral("--address=unix:path=") + dir_.path() + QStringLiteral("/bus")});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
    }
    ~PrivateSessionBus() { stopProcess(daemon_); }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    // Empty when the bus did not start.
    const QString& address() const { return address_; }
    // This process's environment with the bus as the session bus, for the clients it starts.
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        return environment;
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

} // namespace lumbex::test
