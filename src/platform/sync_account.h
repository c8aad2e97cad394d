#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lumbex {

class SyncUploadStatus;

// The Nextcloud or ownCloud account ("user@host") whose client configuration in `configFiles`
// keeps the folder holding `folder` in sync, or none.
std::optional<QString> nextcloudAccount(const QString& folder, const QStringList& configFiles);

// Where the Nextcloud and ownCloud desktop clients keep their configuration for this user.
QStringList standardNextcloudConfigFiles();

// Who this computer syncs `folder` as: for a Syncthing folder the device ID of the Syncthing that
// keeps it (`syncthing`; throws LumbexError when its configuration names the folder but it does
// not answer), for a Nextcloud or ownCloud folder the account of its client configuration, else
// the value recognizeSyncFolder derives from the folder. None for a folder no client keeps.
std::optional<QString> syncAccount(const QString& folder, SyncUploadStatus* syncthing,
                                   const QStringList& nextcloudConfigs);

} // namespace lumbex
