#pragma once

#include <QProcess>
#include <QSize>

namespace lumbex::test {

// An X server of the test's own (Xvfb), so that tests meet a real screen and clipboard without a
// desktop. The server picks a free display number itself (-displayfd), so tests running in
// parallel never share one. It keeps its state when clients disconnect (-noreset), so a root
// colour set by one tool stays for the next. `name()` is empty when no server could be started.
class VirtualDisplay {
public:
    explicit VirtualDisplay(QSize size = QSize(640, 480), int depth = 24) {
        server_.start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"),
                       QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                       QStringLiteral("-noreset"), QStringLiteral("-screen"), QStringLiteral("0"),
                       QStringLiteral("%1x%2x%3").arg(size.width()).arg(size.height()).arg(depth)});
        // The number arrives once the server accepts connections.
        if (server_.waitForReadyRead(10000)) {
            bool ok = false;
            const int number = server_.readLine().trimmed().toInt(&ok);
            if (ok)
                name_ = QStringLiteral(":%1").arg(number);
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
