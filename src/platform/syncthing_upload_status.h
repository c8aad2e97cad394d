#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace lumbex {

// How far the sync client has carried some files to the other devices of their folder.
struct SyncUpload {
    qint64 done = 0;
    qint64 total = 0;

    friend bool operator==(const SyncUpload&, const SyncUpload&) = default;
    // "Uploading · 3/12 files", or "In the sync folder" once every file is done.
    QString label() const;
};

// What the sync client that keeps a folder in sync tells about it. Implementations answer none
// when no running client they know owns the folder; blocking, for a worker thread.
class SyncUploadStatus {
public:
    virtual ~SyncUploadStatus() = default;

    // The client's identity for the folder holding `path` (the account of the sync folder), or
    // none. Throws LumbexError when the client owns it but does not answer.
    virtual std::optional<QString> account(const QString& path) = 0;
    // How many of `files` (absolute paths) every other device of their folder holds as they are
    // on disk now. Throws LumbexError when the client owns the folder but does not answer.
    virtual std::optional<SyncUpload> upload(const QStringList& files) = 0;
    // Asks the client to bring `files` up to date with the other devices now; false when no
    // client it knows owns them. Throws LumbexError when the owner does not answer.
    virtual bool requestDownload(const QStringList& files) = 0;
};

// Syncthing, found through its configuration files (the first of `configFiles` that names a
// folder holding the path, with a GUI address on plain HTTP): the device ID is the account, and a
// file is done when Syncthing has indexed it as it is on disk and every other device sharing the
// folder has that version.
std::unique_ptr<SyncUploadStatus> makeSyncthingUploadStatus(QStringList configFiles);

// Where Syncthing keeps its configuration for this user: $XDG_STATE_HOME/syncthing (newer
// releases) and $XDG_CONFIG_HOME/syncthing, with their usual defaults.
QStringList standardSyncthingConfigFiles();

} // namespace lumbex
