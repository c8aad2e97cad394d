#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSize>
#include <QThread>
#include <unistd.h>

namespace lumbex::test {

// An X server of the test's own (Xvfb), so that tests meet a real screen and clipboard without a
// desktop. It keeps its state when clients disconnect (-noreset), so a root colour set by one
// tool stays for the next. `name()` is empty when no server could be started.
class VirtualDisplay {
public:
    explicit VirtualDisplay(QSize size = QSize(640, 480), int depth = 24) {
        for (int n = 90 + getpid() % 50; n < 200 && name_.isEmpty(); ++n) {
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            server_.start(
                QStringLiteral("Xvfb"),
                {QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                 QStringLiteral("-noreset"), QStringLiteral("-screen"), QStringLiteral("0"),
                 QStringLiteral("%1x%2x%3").arg(size.width()).arg(size.height()).arg(depth)});
            server_.waitForStarted(5000);
            const QDeadlineTimer deadline(5000);
            while (!deadline.hasExpired() &&
                   !QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                   server_.state() == QProcess::Running)
                QThread::msleep(20);
            if (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
                server_.state() == QProcess::Running)
                name_ = QStringLiteral(":%1").arg(n);
            else {
                server_.kill();
                server_.waitForFinished(3000);
            }
        }
    }
    ~VirtualDisplay() {
        server_.terminate();
        server_.waitForFinished(3000);
    }
    const QString& name() const { return name_; }

    // Runs an X client (xsetroot, xdotool) against this server and waits for it.
    bool run(const QString& program, const QStringList& arguments) const {
        QProcess client;
        client.setProcessEnvironment(environment());
        client.start(program, arguments);
        return client.waitForFinished(10000) && client.exitStatus() == QProcess::NormalExit &&
               client.exitCode() == 0;
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), name_);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return env;
    }

private:
    QProcess server_;
    QString name_;
};

} // namespace lumbex::test
