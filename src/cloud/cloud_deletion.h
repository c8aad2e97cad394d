#pragma once

#include "library/deleted_cloud.h"

#include <QString>
#include <functional>

namespace lumbex {

// The sync-folder side of a deletion: the note's package folder and review folders move into
// "Recently Deleted/<ID>" of the sync folder beside a deletion marker, and back on restore.
// The sync folder is the one of the binding kept in the deletion's record.
class CloudDeletion : public DeletedCloudSide {
public:
    // `resumed` runs after a restore put the files back, to let the note sync again.
    explicit CloudDeletion(std::function<void(const DeletedNote&)> resumed = {});

    bool reachable(const DeletedNote& entry) const override;
    void plan(DeletedNote& entry) override;
    void archive(const DeletedNote& entry) override;
    void restore(const DeletedNote& entry) override;
    void trashArchive(const DeletedNote& entry, Trash& trash) override;

private:
    std::function<void(const DeletedNote&)> resumed_;
};

} // namespace lumbex
