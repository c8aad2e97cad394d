#pragma once

#include "support/event_waiting.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace lumbex::test {

// A private session bus with the fake ScreenCast portal (fake_screen_cast_portal_main.cpp, at
// `portalProgram`) on it; the portal's log lines are collected as they come. Stopped by its own
// process handles when the object goes.
class ScreenCastPortalBus {
public:
    // Why none can run here, or empty.
    static QString unavailableReason() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return QStringLiteral("dbus-daemon is not installed (package dbus)");
        return {};
    }

    explicit ScreenCastPortalBus(QString portalProgram) : program_(std::move(portalProgram)) {
        daemon_.start(
            QStringLiteral("dbus-daemon"),
            {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
             QStringLiteral("--print-address=1"),
             QStringLiteral("--address=unix:path=") + dir_.path() + QStringLiteral("/bus")});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromLocal8Bit(daemon_.readLine()).trimmed();
        QObject::connect(&portal_, &QProcess::readyReadStandardOutput, [this] {
            while (portal_.canReadLine())
                calls_ << QString::fromUtf8(portal_.readLine()).trimmed();
        });
    }

    ~ScreenCastPortalBus() {
        stop(portal_);
        stop(daemon_);
    }

    ScreenCastPortalBus(const ScreenCastPortalBus&) = delete;
    ScreenCastPortalBus& operator=(const ScreenCastPortalBus&) = delete;

    // Empty when the bus did not start.
    const QString& address() const { return address_; }

    // Starts the portal with `options` (ending one that runs, and forgetting its log); whether
    // it said it is ready.
    bool startPortal(const QStringList& options) {
        stop(portal_);
        calls_.clear();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        portal_.setProcessEnvironment(environment);
        portal_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        portal_.start(program_, options);
        return processEventsUntil([this] { return calls_.contains(u"ready"); }, 10000);
    }

    // The portal's log lines starting with `start`, once `count` arrived or after 5 s (the log
    // lags behind its answers by a pipe).
    QStringList waitForCalls(const QString& start, qsizetype count) {
        const auto found = [&] { return calls_.filter(QRegularExpression(u'^' + start)); };
        processEventsUntil([&] { return found().size() >= count; }, 5000);
        return found();
    }

private:
    static void stop(QProcess& process) {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

    QString program_;
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    QProcess portal_;
    QStringList calls_;
};

} // namespace lumbex::test
