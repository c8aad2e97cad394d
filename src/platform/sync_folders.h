#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

namespace lumbex {

// Which sync client keeps a folder in sync, recognised from what the client leaves on disk.
enum class SyncClient { Syncthing, Nextcloud, Dropbox, NetworkDrive };

// The folder that a sync client keeps in sync and that contains a chosen folder.
struct SyncFolder {
    SyncClient client;
    // The top of the synchronised tree (where the client's marker is, or the mount point).
    QString root;
    // Who the folder is synchronised as: changes when the client's identity for it changes.
    QString account;

    friend bool operator==(const SyncFolder&, const SyncFolder&) = default;
};

// One line of /proc/self/mountinfo.
struct MountEntry {
    QString mountPoint;
    QString type;
    QString source;

    friend bool operator==(const MountEntry&, const MountEntry&) = default;
};

// The mounts of the text of /proc/self/mountinfo; malformed lines are skipped. Octal escapes of
// mount points ("\040" for a space) are decoded.
std::vector<MountEntry> parseMountInfo(QByteArrayView text);
// nfs, cifs/smb, sshfs, rclone and davfs mounts: folders another computer also sees.
bool isNetworkMount(const MountEntry& mount);

// The sync folder holding `folder` (an existing folder), looked for upwards from it: a Syncthing
// folder (".stfolder"), a Nextcloud or ownCloud folder (its ".sync_*.db" journal), a Dropbox
// folder (".dropbox"), else the network mount holding it. `mounts` is the mount table to use.
std::optional<SyncFolder> recognizeSyncFolder(const QString& folder,
                                              const std::vector<MountEntry>& mounts);
// The same with this process's mount table.
std::optional<SyncFolder> recognizeSyncFolder(const QString& folder);

// What a sync client shows beside or instead of a file.
enum class SyncItemState {
    Current,
    // The client kept two versions: "*.sync-conflict-*", "(conflicted copy …)".
    Conflicted,
    // A placeholder for a file not downloaded yet, or the client's temporary file for it.
    NotDownloaded,
};

// The state of an item of the sync folder: a file, or a folder taken as one item with everything
// in it. A missing item is NotDownloaded when the client has a placeholder or a download in flight
// for it, else Current.
SyncItemState syncItemState(const QString& item);

// The label of a client for messages ("Syncthing").
QString syncClientName(SyncClient client);

} // namespace lumbex
