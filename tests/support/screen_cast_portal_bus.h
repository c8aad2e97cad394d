#pragma once

#include "support/event_waiting.h"
#include "support/private_session_bus.h"

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
    static QString unavailableReason() { return PrivateSessionBus::unavailableReason(); }

    explicit ScreenCastPortalBus(QString portalProgram) : program_(std::move(portalProgram)) {
        QObject::connect(&portal_, &QProcess::readyReadStandardOutput, [this] {
            while (portal_.canReadLine())
                calls_ << QString::fromUtf8(portal_.readLine()).trimmed();
        });
    }

    ~ScreenCastPortalBus() { stopProcess(portal_); }

    ScreenCastPortalBus(const ScreenCastPortalBus&) = delete;
    ScreenCastPortalBus& operator=(const ScreenCastPortalBus&) = delete;

    // Empty when the bus did not start.
    const QString& address() const { return bus_.address(); }

    // Starts the portal with `options` (ending one that runs, and forgetting its log); whether
    // it said it is ready.
    bool startPortal(const QStringList& options) {
        stopProcess(portal_);
        calls_.clear();
        portal_.setProcessEnvironment(bus_.environment());
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
    PrivateSessionBus bus_;
    QString program_;
    QProcess portal_;
    QStringList calls_;
};

} // namespace lumbex::test
