#include "platform/sync_account.h"

#include "core/files.h"
#include "platform/sync_folders.h"
#include "platform/syncthing_upload_status.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QSettings>
#include <QUrl>

namespace lumbex {
namespace {

// A client configuration is small; anything larger is not one.
constexpr qint64 kMaxConfigBytes = 4 * 1024 * 1024;

bool holds(const QString& root, const QString& path) {
    return path == root || path.startsWith(root + u'/');
}

// The account keys of one account group ("0") of a client configuration.
QString accountName(const QSettings& config, const QString& account) {
    const QString user = [&] {
        for (const char* key : {"dav_user", "webflow_user", "http_user", "user"}) {
            const QString value = config.value(account + u'/' + QLatin1String(key)).toString();
            if (!value.isEmpty())
                return value;
        }
        return QString();
    }();
    const QString host = QUrl(config.value(account + QStringLiteral("/url")).toString()).host();
    if (user.isEmpty() && host.isEmpty())
        return {};
    return user + u'@' + host;
}

} // namespace

std::optional<QString> nextcloudAccount(const QString& folder, const QStringList& configFiles) {
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty())
        return std::nullopt;
    for (const QString& file : configFiles) {
        if (entryKind(file) != EntryKind::File || QFileInfo(file).size() > kMaxConfigBytes)
            continue;
        QSettings config(file, QSettings::IniFormat);
        config.beginGroup(QStringLiteral("Accounts"));
        // "<account>/<Folders|FoldersWithPlaceholders|Multifolders>/<n>/localPath".
        for (const QString& key : config.allKeys()) {
            const QStringList parts = key.split(u'/');
            const bool folderKey = parts.size() == 4 && parts[3] == u"localPath" &&
                                   (parts[1].startsWith(u"Folders") || parts[1] == u"Multifolders");
            if (!folderKey)
                continue;
            const QString root = QFileInfo(config.value(key).toString()).canonicalFilePath();
            if (root.isEmpty() || !holds(root, canonical))
                continue;
            const QString name = accountName(config, parts[0]);
            if (!name.isEmpty())
                return name;
        }
    }
    return std::nullopt;
}

QStringList standardNextcloudConfigFiles() {
    const QString config = QProcessEnvironment::systemEnvironment().value(
        QStringLiteral("XDG_CONFIG_HOME"), QDir::homePath() + QStringLiteral("/.config"));
    return {config + QStringLiteral("/Nextcloud/nextcloud.cfg"),
            config + QStringLiteral("/ownCloud/owncloud.cfg")};
}

std::optional<QString> syncAccount(const QString& folder, SyncUploadStatus* syncthing,
                                   const QStringList& nextcloudConfigs) {
    const std::optional<SyncFolder> found = recognizeSyncFolder(folder);
    if (!found)
        return std::nullopt;
    const QString client = syncClientName(found->client) + u':';
    if (found->client == SyncClient::Syncthing && syncthing)
        if (const auto device = syncthing->account(found->root))
            return client + *device;
    if (found->client == SyncClient::Nextcloud)
        if (const auto account = nextcloudAccount(found->root, nextcloudConfigs))
            return client + *account;
    return found->account;
}

} // namespace lumbex
