#include "support/syncthing_pair.h"

#include "core/error.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>
#include <csignal>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace lumbex::test {
namespace {

QString syncthingProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("syncthing"));
}

// Ports the system had free a moment ago; the servers stay open until all are chosen so that no
// port is handed out twice.
std::vector<quint16> freePorts(int count) {
    std::vector<std::unique_ptr<QTcpServer>> servers;
    std::vector<quint16> ports;
    for (int i = 0; i < count; ++i) {
        auto server = std::make_unique<QTcpServer>();
        if (!server->listen(QHostAddress::LocalHost, 0))
            return {};
        ports.push_back(server->serverPort());
        servers.push_back(std::move(server));
    }
    return ports;
}

QProcessEnvironment environmentFor(const SyncthingInstance& instance) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Nothing of the user's own Syncthing is read or written.
    env.insert(QStringLiteral("HOME"), instance.home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), instance.home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), instance.home + QStringLiteral("/state"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), instance.home + QStringLiteral("/data"));
    env.insert(QStringLiteral("STNODEFAULTFOLDER"), QStringLiteral("1"));
    env.insert(QStringLiteral("STNOUPGRADE"), QStringLiteral("1"));
    env.insert(QStringLiteral("STNORESTART"), QStringLiteral("1"));
    return env;
}

// Runs `syncthing generate` and reads the device id it printed.
QString generate(SyncthingInstance& instance) {
    QProcess process;
    process.setProcessEnvironment(environmentFor(instance));
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(syncthingProgram(),
                  {QStringLiteral("generate"), QStringLiteral("--home=") + instance.home,
                   QStringLiteral("--no-default-folder"), QStringLiteral("--skip-port-probing")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QStringLiteral("syncthing generate failed: ") + process.readAll();
    const QString output = QString::fromUtf8(process.readAll());
    const qsizetype at = output.indexOf(QStringLiteral("Device ID: "));
    if (at < 0)
        return QStringLiteral("syncthing generate printed no device id: ") + output;
    instance.deviceID = output.mid(at + 11, 63);
    instance.apiKey = QStringLiteral("lumbex-test-key-") + instance.name;
    return {};
}

QString deviceXml(const SyncthingInstance& device) {
    return QStringLiteral("  <device id=\"%1\" name=\"%2\" compression=\"metadata\">\n"
                          "    <address>tcp://127.0.0.1:%3</address>\n  </device>\n")
        .arg(device.deviceID, device.name)
        .arg(device.listenPort);
}

// The whole configuration: Syncthing completes the rest with its defaults.
QString configXml(const SyncthingInstance& self, const SyncthingInstance& other) {
    return QStringLiteral(
               "<configuration version=\"36\">\n"
               "  <folder id=\"%1\" label=\"%1\" path=\"%2\" type=\"sendreceive\" "
               "rescanIntervalS=\"3600\" fsWatcherEnabled=\"true\" fsWatcherDelayS=\"1\">\n"
               "    <device id=\"%3\"></device>\n    <device id=\"%4\"></device>\n"
               "    <markerName>.stfolder</markerName>\n  </folder>\n")
               .arg(QString::fromLatin1(SyncthingPair::folderID), self.folder, self.deviceID,
                    other.deviceID) +
           deviceXml(self) + deviceXml(other) +
           QStringLiteral(
               "  <gui enabled=\"true\" tls=\"false\">\n    <address>%1</address>\n"
               "    <apikey>%2</apikey>\n  </gui>\n"
               "  <options>\n    <listenAddress>tcp://127.0.0.1:%3</listenAddress>\n"
               "    <globalAnnounceEnabled>false</globalAnnounceEnabled>\n"
               "    <localAnnounceEnabled>false</localAnnounceEnabled>\n"
               "    <relaysEnabled>false</relaysEnabled>\n    <natEnabled>false</natEnabled>\n"
               "    <startBrowser>false</startBrowser>\n    <urAccepted>-1</urAccepted>\n"
               "    <crashReportingEnabled>false</crashReportingEnabled>\n"
               "    <autoUpgradeIntervalH>0</autoUpgradeIntervalH>\n"
               "    <reconnectionIntervalS>1</reconnectionIntervalS>\n"
               "    <progressUpdateIntervalS>1</progressUpdateIntervalS>\n"
               "  </options>\n</configuration>\n")
               .arg(self.apiAddress(), self.apiKey)
               .arg(self.listenPort);
}

QString launch(SyncthingInstance& instance) {
    instance.process = std::make_unique<QProcess>();
    instance.process->setProcessEnvironment(environmentFor(instance));
    instance.process->setProcessChannelMode(QProcess::MergedChannels);
    instance.process->setStandardOutputFile(instance.home + QStringLiteral("/syncthing.log"));
    instance.process->start(syncthingProgram(),
                            {QStringLiteral("serve"), QStringLiteral("--home=") + instance.home,
                             QStringLiteral("--no-browser"), QStringLiteral("--no-restart"),
                             QStringLiteral("--no-upgrade")});
    if (!instance.process->waitForStarted(10000))
        return QStringLiteral("syncthing serve did not start");
    const QDeadlineTimer deadline(60000);
    while (!deadline.hasExpired()) {
        if (instance.process->state() != QProcess::Running)
            return QStringLiteral("syncthing serve exited; see ") + instance.home +
                   QStringLiteral("/syncthing.log");
        if (instance.api().answers())
            return {};
        QThread::msleep(100);
    }
    return QStringLiteral("syncthing's API did not answer");
}

void stopInstance(SyncthingInstance& instance) {
    if (!instance.process)
        return;
    const qint64 pid = instance.process->processId();
    if (pid > 0 && instance.process->state() == QProcess::Running) {
        ::kill(pid_t(pid), SIGTERM);
        if (!instance.process->waitForFinished(15000)) {
            ::kill(pid_t(pid), SIGKILL);
            instance.process->waitForFinished(5000);
        }
    }
    instance.process.reset();
}

bool isConnectedTo(const SyncthingInstance& self, const SyncthingInstance& other) {
    try {
        const QJsonObject connections =
            self.api().get(QStringLiteral("/rest/system/connections")).object();
        return connections.value(u"connections")
            .toObject()
            .value(other.deviceID)
            .toObject()
            .value(u"connected")
            .toBool();
    } catch (const LumbexError&) {
        return false;
    }
}

bool isInSync(const SyncthingInstance& self, const SyncthingInstance& other) {
    try {
        const QString folder = QString::fromLatin1(SyncthingPair::folderID);
        const QJsonObject status =
            self.api().get(QStringLiteral("/rest/db/status?folder=") + folder).object();
        const QJsonObject completion =
            self.api()
                .get(QStringLiteral("/rest/db/completion?folder=") + folder +
                     QStringLiteral("&device=") + other.deviceID)
                .object();
        return status.value(u"state").toString() == u"idle" &&
               status.value(u"needTotalItems").toInt(-1) == 0 &&
               status.value(u"inSyncFiles").toInt() == status.value(u"globalFiles").toInt() &&
               completion.value(u"completion").toDouble() >= 100 &&
               completion.value(u"needItems").toInt(-1) == 0 &&
               completion.value(u"needDeletes").toInt(-1) == 0;
    } catch (const LumbexError&) {
        return false;
    }
}

// The folder's global file count and size as one instance sees them; empty when it cannot say.
std::optional<std::pair<int, qint64>> globalView(const SyncthingInstance& self) {
    try {
        const QJsonObject status = self.api()
                                       .get(QStringLiteral("/rest/db/status?folder=") +
                                            QString::fromLatin1(SyncthingPair::folderID))
                                       .object();
        return std::pair{status.value(u"globalFiles").toInt(),
                         qint64(status.value(u"globalBytes").toDouble())};
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

bool waitFor(int timeoutMs, const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (condition())
            return true;
        QThread::msleep(200);
    }
    return condition();
}

} // namespace

QString SyncthingPair::unavailableReason() {
    return syncthingProgram().isEmpty()
               ? QStringLiteral("Syncthing is not installed (scripts/install-deps installs it)")
               : QString();
}

SyncthingPair::SyncthingPair(const QString& base) : base_(base) {
    a.name = QStringLiteral("A");
    b.name = QStringLiteral("B");
    for (SyncthingInstance* instance : {&a, &b}) {
        instance->home = base_ + QStringLiteral("/syncthing-") + instance->name;
        instance->folder = base_ + QStringLiteral("/computer-") + instance->name;
    }
}

SyncthingPair::~SyncthingPair() {
    stop();
}

QString SyncthingPair::start() {
    const std::vector<quint16> ports = freePorts(4);
    if (ports.size() != 4)
        return QStringLiteral("no free loopback ports");
    a.apiPort = ports[0];
    a.listenPort = ports[1];
    b.apiPort = ports[2];
    b.listenPort = ports[3];
    for (SyncthingInstance* instance : {&a, &b}) {
        if (!QDir().mkpath(instance->home) || !QDir().mkpath(instance->folder + "/.stfolder"))
            return QStringLiteral("cannot create ") + instance->home;
        if (const QString failure = generate(*instance); !failure.isEmpty())
            return failure;
    }
    for (const auto& [self, other] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
        QFile config(self->configFile());
        if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            config.write(configXml(*self, *other).toUtf8()) < 0)
            return QStringLiteral("cannot write ") + self->configFile();
    }
    for (SyncthingInstance* instance : {&a, &b})
        if (const QString failure = launch(*instance); !failure.isEmpty())
            return failure;
    return {};
}

bool SyncthingPair::waitConnected(int timeoutMs) {
    return waitFor(timeoutMs, [this] { return isConnectedTo(a, b) && isConnectedTo(b, a); });
}

bool SyncthingPair::waitDisconnected(int timeoutMs) {
    return waitFor(timeoutMs, [this] { return !isConnectedTo(a, b) && !isConnectedTo(b, a); });
}

bool SyncthingPair::waitInSync(int timeoutMs) {
    const QString scan =
        QStringLiteral("/rest/db/scan?folder=") + QString::fromLatin1(SyncthingPair::folderID);
    for (SyncthingInstance* instance : {&a, &b}) {
        try {
            instance->api().post(scan);
        } catch (const LumbexError&) {
            return false;
        }
    }
    // Each side's own view can say "in sync" before the other's index has arrived; equal global
    // views on both sides close that gap.
    return waitFor(timeoutMs, [this] {
        return isInSync(a, b) && isInSync(b, a) && globalView(a) == globalView(b);
    });
}

void SyncthingPair::stop() {
    stopInstance(a);
    stopInstance(b);
}

} // namespace lumbex::test
