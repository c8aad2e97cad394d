#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <memory>
#include <vector>

namespace lumbex::test {

// A PulseAudio server of the test's own: its home, runtime folder and socket in a temporary
// folder, a null sink `v` whose monitor is the "system audio", and a source `mic` remapped from
// that monitor as the default "microphone". No sound card is involved. While it exists the test
// process's PULSE_SERVER names it. `missing()` says why there is none (pulseaudio not installed).
class PulseServer {
public:
    PulseServer() {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty()) {
            missing_ = QStringLiteral("the pulseaudio program is not installed");
            return;
        }
        QDir(folder_.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(folder_.filePath(QStringLiteral("run")), QFileDevice::ReadOwner |
                                                                           QFileDevice::WriteOwner |
                                                                           QFileDevice::ExeOwner);
        address_ = QStringLiteral("unix:") + folder_.filePath(QStringLiteral("s"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), folder_.path());
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"),
                           folder_.filePath(QStringLiteral("run")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           folder_.filePath(QStringLiteral("config")));
        environment.remove(QStringLiteral("PULSE_SERVER"));
        server_.setProcessEnvironment(environment);
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        previous_ = qgetenv("PULSE_SERVER");
        hadPrevious_ = qEnvironmentVariableIsSet("PULSE_SERVER");
        qputenv("PULSE_SERVER", address_.toLocal8Bit());
        start();
    }
    ~PulseServer() {
        stop();
        if (hadPrevious_)
            qputenv("PULSE_SERVER", previous_);
        else
            qunsetenv("PULSE_SERVER");
    }
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    const QString& missing() const { return missing_; }
    bool running() const { return running_; }
    // Where a client finds it (PULSE_SERVER's form).
    const QString& address() const { return address_; }
    const QTemporaryDir& folder() const { return folder_; }

    // Starts the server (again, after `stop()`: a restarted sound system) on the same address.
    void start() {
        if (server_.state() != QProcess::NotRunning)
            return;
        server_.start(QStringLiteral("pulseaudio"),
                      {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                       QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--disable-shm"),
                       QStringLiteral("--log-level=error"), QStringLiteral("-L"),
                       QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1")
                           .arg(folder_.filePath(QStringLiteral("s"))),
                       QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=v"),
                       QStringLiteral("-L"),
                       QStringLiteral("module-remap-source source_name=mic master=v.monitor")});
        QElapsedTimer waited;
        waited.start();
        while (!pactl({QStringLiteral("info")}) && waited.elapsed() < 10000)
            QThread::msleep(50);
        running_ = pactl({QStringLiteral("set-default-source"), QStringLiteral("mic")}) &&
                   pactl({QStringLiteral("set-default-sink"), QStringLiteral("v")});
    }

    // Ends the server, as a crash or a restart of the sound system would.
    void stop() {
        if (server_.state() == QProcess::NotRunning)
            return;
        server_.terminate();
        if (!server_.waitForFinished(3000)) {
            server_.kill();
            server_.waitForFinished(3000);
        }
        running_ = false;
    }

    // Plays a sine tone into the null sink for `seconds`; it keeps playing while the returned
    // process lives.
    std::unique_ptr<QProcess> playTone(double frequency, double seconds) const {
        const int frames = int(48000 * seconds);
        std::vector<float> samples(size_t(frames) * 2);
        for (int i = 0; i < frames; ++i)
            samples[size_t(i) * 2] = samples[size_t(i) * 2 + 1] =
                float(0.5 * std::sin(2 * M_PI * frequency * i / 48000.0));
        const QString tone = folder_.filePath(QStringLiteral("tone-%1.raw").arg(++tones_));
        QFile file(tone);
        if (file.open(QIODevice::WriteOnly))
            file.write(reinterpret_cast<const char*>(samples.data()),
                       qint64(samples.size() * sizeof(float)));
        file.close();
        auto player = std::make_unique<QProcess>();
        player->setStandardInputFile(tone);
        player->start(QStringLiteral("pacat"),
                      {QStringLiteral("--playback"), QStringLiteral("--raw"),
                       QStringLiteral("--format=float32le"), QStringLiteral("--rate=48000"),
                       QStringLiteral("--channels=2"), QStringLiteral("--device=v"),
                       QStringLiteral("--latency-msec=20")});
        player->waitForStarted(5000);
        return player;
    }

    // Runs `pactl` against this server; `output` receives what it printed.
    bool pactl(const QStringList& arguments, QString* output = nullptr) const {
        QProcess client;
        client.start(QStringLiteral("pactl"), arguments);
        const bool ok = client.waitForFinished(5000) &&
                        client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0;
        if (output)
            *output = QString::fromUtf8(client.readAllStandardOutput()).trimmed();
        return ok;
    }

private:
    QTemporaryDir folder_;
    QProcess server_;
    QString address_;
    QString missing_;
    QByteArray previous_;
    bool hadPrevious_ = false;
    bool running_ = false;
    mutable int tones_ = 0;
};

} // namespace lumbex::test
