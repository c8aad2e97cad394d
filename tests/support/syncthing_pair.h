#pragma once

#include "platform/syncthing_api.h"

#include <QProcess>
#include <QString>
#include <memory>

namespace lumbex::test {

// One private Syncthing: its own home (keys, configuration, database, log), a GUI/API address
// and a listen address on loopback ports of its own, no discovery, relays or NAT, so that it
// only ever talks to the other instance of its pair.
struct SyncthingInstance {
    QString name;
    QString home;
    // The shared folder as this instance keeps it.
    QString folder;
    QString deviceID;
    QString apiKey;
    quint16 apiPort = 0;
    quint16 listenPort = 0;
    std::unique_ptr<QProcess> process;

    QString configFile() const { return home + QStringLiteral("/config.xml"); }
    QString apiAddress() const { return QStringLiteral("127.0.0.1:") + QString::number(apiPort); }
    SyncthingApi api() const { return SyncthingApi(apiAddress(), apiKey); }
    // The process id while it runs, else 0.
    qint64 pid() const { return process ? process->processId() : 0; }
};

// Two private Syncthing instances, "A" and "B", sharing one folder ("lumbex-test"): computer A
// and computer B of a sync test. Everything lives under `base`; the instances are stopped by
// their process ids when the pair ends.
class SyncthingPair {
public:
    static constexpr const char* folderID = "lumbex-test";

    // Why the pair cannot run here (Syncthing is missing), or empty.
    static QString unavailableReason();

    explicit SyncthingPair(const QString& base);
    ~SyncthingPair();
    SyncthingPair(const SyncthingPair&) = delete;
    SyncthingPair& operator=(const SyncthingPair&) = delete;

    // Generates both homes, writes their configurations and starts both, waiting until their APIs
    // answer. Returns an error text, empty on success.
    QString start();
    // Waits until each instance reports a connection to the other.
    bool waitConnected(int timeoutMs);
    // Waits until neither reports a connection to the other (after pausing a device).
    bool waitDisconnected(int timeoutMs);
    // Asks both to rescan, then waits until both are idle, need nothing and see the other device
    // complete.
    bool waitInSync(int timeoutMs);
    // Stops both instances (SIGTERM by process id, then SIGKILL).
    void stop();

    SyncthingInstance a;
    SyncthingInstance b;

private:
    QString base_;
};

} // namespace lumbex::test
