#include "app/cli/cloud_services.h"

#include "platform/sync_account.h"
#include "platform/syncthing_upload_status.h"

#include <memory>

namespace lumbex::cli {

UploadProgress syncthingUploadProgress() {
    std::shared_ptr<SyncUploadStatus> status =
        makeSyncthingUploadStatus(standardSyncthingConfigFiles());
    return
        [status](const QString&, const QStringList& files) -> std::optional<std::pair<int, int>> {
            const std::optional<SyncUpload> upload = status->upload(files);
            if (!upload)
                return std::nullopt;
            return std::pair{int(upload->done), int(upload->total)};
        };
}

std::function<void(const QString&, const QStringList&)> syncthingDownloadRequest() {
    std::shared_ptr<SyncUploadStatus> status =
        makeSyncthingUploadStatus(standardSyncthingConfigFiles());
    return [status](const QString&, const QStringList& files) { status->requestDownload(files); };
}

std::function<std::optional<QString>(const QString&)> syncAccountLookup() {
    std::shared_ptr<SyncUploadStatus> syncthing =
        makeSyncthingUploadStatus(standardSyncthingConfigFiles());
    const QStringList nextcloud = standardNextcloudConfigFiles();
    return [syncthing, nextcloud](const QString& folder) {
        return syncAccount(folder, syncthing.get(), nextcloud);
    };
}

} // namespace lumbex::cli
