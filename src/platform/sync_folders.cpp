#include "platform/sync_folders.h"

#include "core/files.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace lumbex {
namespace {

QString unescapeMount(QByteArrayView field) {
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.sliced(i + 1, 3).toByteArray();
            bool ok = false;
            const int code = digits.toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

bool hasSyncJournal(const QDir& dir) {
    return !dir.entryList({QStringLiteral(".sync_*.db"), QStringLiteral("._sync_*.db")},
                          QDir::Files | QDir::Hidden)
                .isEmpty();
}

std::optional<SyncClient> markerClient(const QString& path) {
    const QDir dir(path);
    if (entryKind(dir.filePath(QStringLiteral(".stfolder"))) != EntryKind::Missing)
        return SyncClient::Syncthing;
    if (hasSyncJournal(dir))
        return SyncClient::Nextcloud;
    if (entryKind(dir.filePath(QStringLiteral(".dropbox"))) == EntryKind::File)
        return SyncClient::Dropbox;
    return std::nullopt;
}

// The Nextcloud/ownCloud account a journal belongs to: the journal's name carries a digest of the
// account and folder, so another account gives another name.
QString journalAccount(const QString& root) {
    QStringList journals =
        QDir(root).entryList({QStringLiteral(".sync_*.db"), QStringLiteral("._sync_*.db")},
                             QDir::Files | QDir::Hidden, QDir::Name);
    return journals.isEmpty() ? QString() : journals.first();
}

bool isConflictName(const QString& name) {
    return name.contains(QStringLiteral(".sync-conflict-")) ||
           name.contains(QStringLiteral("conflicted copy"), Qt::CaseInsensitive) ||
           name.contains(QStringLiteral("(conflict "), Qt::CaseInsensitive);
}

bool isPlaceholderName(const QString& name) {
    return name.endsWith(QStringLiteral(".nextcloud")) ||
           name.endsWith(QStringLiteral(".owncloud")) ||
           (name.startsWith(QStringLiteral(".syncthing.")) &&
            name.endsWith(QStringLiteral(".tmp"))) ||
           (name.startsWith(QStringLiteral("~syncthing~")) &&
            name.endsWith(QStringLiteral(".tmp")));
}

// Names a client uses beside `name` for a conflict or a download of it.
bool belongsTo(const QString& sibling, const QString& name) {
    const QString base = QFileInfo(name).completeBaseName();
    if (sibling == name + QStringLiteral(".nextcloud") ||
        sibling == name + QStringLiteral(".owncloud"))
        return true;
    if (sibling == QStringLiteral(".syncthing.") + name + QStringLiteral(".tmp") ||
        sibling == QStringLiteral("~syncthing~") + name + QStringLiteral(".tmp"))
        return true;
    return sibling != name && sibling.startsWith(base.isEmpty() ? name : base) &&
           isConflictName(sibling);
}

} // namespace

std::vector<MountEntry> parseMountInfo(QByteArrayView text) {
    std::vector<MountEntry> out;
    for (const QByteArray& line : text.toByteArray().split('\n')) {
        // "<id> <parent> <major:minor> <root> <mount point> <options> [optional…] - <type> <source>
        // <super options>"
        const QList<QByteArray> fields = line.trimmed().split(' ');
        const qsizetype dash = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || dash < 6 || dash + 2 >= fields.size())
            continue;
        out.push_back({unescapeMount(fields[4]), QString::fromUtf8(fields[dash + 1]),
                       unescapeMount(fields[dash + 2])});
    }
    return out;
}

bool isNetworkMount(const MountEntry& mount) {
    static const QStringList types = {
        QStringLiteral("nfs"),         QStringLiteral("nfs4"),      QStringLiteral("cifs"),
        QStringLiteral("smb3"),        QStringLiteral("smbfs"),     QStringLiteral("fuse.sshfs"),
        QStringLiteral("fuse.rclone"), QStringLiteral("rclone"),    QStringLiteral("davfs"),
        QStringLiteral("fuse.davfs2"), QStringLiteral("fuse.davfs")};
    return types.contains(mount.type);
}

std::optional<SyncFolder> recognizeSyncFolder(const QString& folder,
                                              const std::vector<MountEntry>& mounts) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || !QFileInfo(canonical).isDir())
        return std::nullopt;
    for (QString path = canonical;;) {
        if (const auto client = markerClient(path)) {
            const QString account = *client == SyncClient::Nextcloud ? journalAccount(path) : path;
            return SyncFolder{*client, path, syncClientName(*client) + u':' + account};
        }
        const QString up = QFileInfo(path).path();
        if (up == path)
            break;
        path = up;
    }
    // The longest mount point holding the folder decides its file system.
    const MountEntry* holder = nullptr;
    for (const MountEntry& mount : mounts) {
        const bool holds = canonical == mount.mountPoint || mount.mountPoint == u"/" ||
                           canonical.startsWith(mount.mountPoint + u'/');
        if (holds && (!holder || mount.mountPoint.size() >= holder->mountPoint.size()))
            holder = &mount;
    }
    if (holder && isNetworkMount(*holder))
        return SyncFolder{SyncClient::NetworkDrive, holder->mountPoint,
                          holder->type + u':' + holder->source};
    return std::nullopt;
}

std::optional<SyncFolder> recognizeSyncFolder(const QString& folder) {
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    const QByteArray text = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    return recognizeSyncFolder(folder, parseMountInfo(text));
}

SyncItemState syncItemState(const QString& item) {
    const QFileInfo info(item);
    const QString name = info.fileName();
    SyncItemState state = SyncItemState::Current;
    for (const QString& sibling :
         QDir(info.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        if (belongsTo(sibling, name)) {
            if (isConflictName(sibling))
                return SyncItemState::Conflicted;
            state = SyncItemState::NotDownloaded;
        }
    if (entryKind(item) != EntryKind::Folder)
        return state;
    QDirIterator it(item, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString inner = it.nextFileInfo().fileName();
        if (isConflictName(inner))
            return SyncItemState::Conflicted;
        if (isPlaceholderName(inner))
            state = SyncItemState::NotDownloaded;
    }
    return state;
}

QString syncClientName(SyncClient client) {
    switch (client) {
    case SyncClient::Syncthing:
        return QStringLiteral("Syncthing");
    case SyncClient::Nextcloud:
        return QStringLiteral("Nextcloud");
    case SyncClient::Dropbox:
        return QStringLiteral("Dropbox");
    case SyncClient::NetworkDrive:
        return QStringLiteral("Network drive");
    }
    return {};
}

} // namespace lumbex
