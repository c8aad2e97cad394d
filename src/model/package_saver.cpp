#include "model/package_saver.h"

#include "core/error.h"
#include "core/files.h"

#include <QDir>
#include <QFileInfo>

namespace lumbex {
namespace {

const QString kStaging = QStringLiteral("saving");
// The previous package, set aside where the file system cannot exchange two folders.
const QString kSetAside = QStringLiteral("replaced");

bool entryExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Without an exchange there is a moment when the package path is empty; sweepStaleSaves puts
// the set-aside package back if the process dies then.
void replaceBySetAside(const QString& staging, const QString& packagePath) {
    const QString aside = temporarySibling(packagePath, kSetAside);
    renameNoReplace(packagePath, aside);
    try {
        renameNoReplace(staging, packagePath);
    } catch (...) {
        renameNoReplace(aside, packagePath);
        throw;
    }
    syncFolder(QFileInfo(packagePath).absolutePath());
    removePath(aside);
}

// Puts the finished package in place. Afterwards `staging` holds the previous package, if any.
void moveIntoPlace(const QString& staging, const QString& packagePath) {
    const QString parent = QFileInfo(packagePath).absolutePath();
    if (!entryExists(packagePath))
        renameNoReplace(staging, packagePath);
    else if (!exchangePaths(staging, packagePath)) {
        replaceBySetAside(staging, packagePath);
        return;
    }
    syncFolder(parent);
}

} // namespace

void savePackage(const NotePackageContents& contents, const QString& packagePath,
                 KnownOriginals known) {
    known.package = packagePath;
    const QString staging = temporarySibling(packagePath, kStaging);
    try {
        buildNotePackage(contents, staging, known);
        moveIntoPlace(staging, packagePath);
    } catch (...) {
        removePath(staging);
        throw;
    }
    removePath(staging);
}

void sweepStaleSaves(const QString& packagePath) {
    const QFileInfo package(packagePath);
    const QDir parent = package.absoluteDir();
    const QString prefix = u'.' + package.fileName() + u'.';
    const QStringList leftovers =
        parent.entryList({prefix + u'*'}, QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString& name : leftovers) {
        const QString path = parent.filePath(name);
        const QString purpose = name.mid(prefix.size()).section(u'-', 0, 0);
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
