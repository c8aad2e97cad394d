#include "model/package_saver.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "model/package_lock.h"

#include <QFileInfo>
#include <QStringList>
#include <filesystem>
#include <optional>

namespace lumbex {
namespace {

const QString kStaging = QStringLiteral("saving");
// The previous package, set aside where the file system cannot exchange two folders.
const QString kSetAside = QStringLiteral("replaced");

bool entryExists(const QString& path) {
    return entryKind(path) != EntryKind::Missing;
}

// The names of the entries in `folder` that start with `prefix`, bytes kept.
QStringList entriesStartingWith(const QString& folder, const QString& prefix) {
    QStringList names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(encodeFileName(folder).toStdString()), error)) {
        const QString name = decodeFileName(entry.path().filename().native());
        if (name.startsWith(prefix))
            names.append(name);
    }
    return names;
}

// Without an exchange there is a moment when the package path is empty; sweepStaleSaves puts
// the set-aside package back if the process dies then.
void replaceBySetAside(FileSystem& fileSystem, const QString& staging, const QString& packagePath) {
    const QString aside = temporarySibling(packagePath, kSetAside);
    fileSystem.renameNoReplace(packagePath, aside);
    try {
        fileSystem.renameNoReplace(staging, packagePath);
    } catch (...) {
        fileSystem.renameNoReplace(aside, packagePath);
        throw;
    }
    fileSystem.syncFolder(QFileInfo(packagePath).absolutePath());
    removePath(aside);
}

// Puts the finished package in place. Afterwards `staging` holds the previous package, if any.
void moveIntoPlace(FileSystem& fileSystem, const QString& staging, const QString& packagePath) {
    const QString parent = QFileInfo(packagePath).absolutePath();
    if (!entryExists(packagePath))
        fileSystem.renameNoReplace(staging, packagePath);
    else if (!fileSystem.exchangePaths(staging, packagePath)) {
        replaceBySetAside(fileSystem, staging, packagePath);
        return;
    }
    fileSystem.syncFolder(parent);
}

} // namespace

void savePackage(const NotePackageContents& contents, const QString& packagePath,
                 KnownOriginals known, FileSystem& fileSystem) {
    refuseLinkedPackage(packagePath);
    std::optional<PackageLock> lock;
    try {
        lock.emplace(packagePath);
    } catch (const LumbexError& failure) {
        throw packageWriteError(packagePath, failure, true);
    }
    known.package = packagePath;
    const QString staging = temporarySibling(packagePath, kStaging);
    try {
        buildNotePackage(contents, staging, known, fileSystem);
        moveIntoPlace(fileSystem, staging, packagePath);
    } catch (const LumbexError& failure) {
        removePath(staging);
        throw packageWriteError(packagePath, failure, true);
    } catch (...) {
        removePath(staging);
        throw;
    }
    removePath(staging);
}

void sweepStaleSaves(const QString& packagePath) {
    // Under the lock every staging folder left here belongs to a writer that has finished or died.
    // While another process saves, or where the lock cannot be had (a read-only folder), nothing
    // is swept: what a dead writer left waits for the next sweep. Without any staging folder there
    // is nothing to take the lock for, and no lock file is left beside a package that is missing.
    const QString prefix = temporarySiblingPrefix(packagePath);
    const QString parent = QFileInfo(prefix).absolutePath();
    const QString namePrefix = QFileInfo(prefix).fileName();
    if (entriesStartingWith(parent, namePrefix).isEmpty())
        return;
    std::optional<PackageLock> lock;
    try {
        lock.emplace(packagePath, PackageLock::Waiting::DoNotWait);
    } catch (const LumbexError&) {
        return;
    }
    if (!lock->held())
        return;
    for (const QString& name : entriesStartingWith(parent, namePrefix)) {
        const QString path = parent + u'/' + name;
        const QString purpose = name.mid(namePrefix.size()).section(u'-', 0, 0);
        if (purpose == kSetAside && !entryExists(packagePath)) {
            // The only copy left: put back, never removed. A failure leaves it for a later sweep.
            try {
                renameNoReplace(path, packagePath);
            } catch (const LumbexError&) {
            }
            continue;
        }
        if (purpose == kStaging || purpose == kSetAside)
            removePath(path);
    }
}

} // namespace lumbex
