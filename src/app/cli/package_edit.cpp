#include "app/cli/package_edit.h"

#include "model/note_package.h"

namespace lumbex::cli {

PackageEdit openPackageForEdit(const QString& path) {
    refuseLinkedPackage(path);
    PackageEdit edit;
    edit.lock = std::make_unique<PackageLock>(path);
    edit.document = NoteDocument::open(path);
    return edit;
}

} // namespace lumbex::cli
