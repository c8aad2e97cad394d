#pragma once

#include "model/note_document.h"
#include "model/package_lock.h"

#include <QString>
#include <memory>

namespace lumbex::cli {

// A package open for one edit. The lock is held from reading the package to renaming its save
// into place, so that edits running at the same time apply one on top of the other.
struct PackageEdit {
    std::unique_ptr<PackageLock> lock;
    std::unique_ptr<NoteDocument> document;
};

// Opens the package at `path` (never through a symbolic link) under its lock. Throws LumbexError.
PackageEdit openPackageForEdit(const QString& path);

} // namespace lumbex::cli
