#include "app/cli/package_edit.h"

#include "core/files.h"
#include "model/note_package.h"

namespace lumbex::cli {

PackageEdit openPackageForEdit(const QString& path) {
    refuseLinkedPackage(path);
    // A lock file beside a package that is not there would stay behind: opening tells what is
    // missing without one.
    if (entryKind(path) == EntryKind::Missing)
        NoteDocument::open(path);
    PackageEdit edit;
    edit.lock = std::make_unique<PackageLock>(path);
    edit.document = NoteDocument::open(path);
    return edit;
}

} // namespace lumbex::cli
