#include "app/cli/cloud_services.h"

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

} // namespace lumbex::cli
