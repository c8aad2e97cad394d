#include "library/package_moves.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/note_package.h"
#include "model/package_lock.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <map>

namespace lumbex {
namespace {

constexpr qint64 kNoteJsonLimit = qint64(8) << 20;

QStringList childNames(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

[[noreturn]] void refuseItem(const QString& package) {
    throw LumbexError(
        QStringLiteral("“%1” holds an item that is not a file or folder. Its files have been kept.")
            .arg(displayFileName(QFileInfo(package).fileName())));
}

void copyTree(const QString& package, const QString& from, const QString& to) {
    makeFolder(to);
    for (const QString& name : childNames(from)) {
        const QString source = from + u'/' + name;
        switch (entryKind(source)) {
        case EntryKind::File:
            copyNewFileDurably(source, to + u'/' + name);
            break;
        case EntryKind::Folder:
            copyTree(package, source, to + u'/' + name);
            break;
        default:
            refuseItem(package);
        }
    }
    syncFolder(to);
}

// Every file below `folder` by relative path with its digest; folders as empty entries.
void digestTree(const QString& folder, const QString& prefix, std::map<QString, QString>& out) {
    for (const QString& name : childNames(folder)) {
        const QString path = folder + u'/' + name;
        const QString key = prefix + name;
        switch (entryKind(path)) {
        case EntryKind::File:
            out[key] = sha256HexOfFile(path, QStringLiteral("“%1” could not be read.").arg(key));
            break;
        case EntryKind::Folder:
            out[key + u'/'] = QString();
            digestTree(path, key + u'/', out);
            break;
        default:
            out[key] = QStringLiteral("?");
        }
    }
}

void copyAcross(const QString& from, const QString& to, const std::function<void()>& copied) {
    const QString staging = temporarySibling(to, QStringLiteral("moving"));
    try {
        copyTree(from, from, staging);
        std::map<QString, QString> original, copy;
        digestTree(from, {}, original);
        digestTree(staging, {}, copy);
        if (original != copy)
            throw LumbexError(QStringLiteral("The copied note did not match the original. Its "
                                             "files have been kept."));
        renameNoReplace(staging, to);
        syncFolder(QFileInfo(to).absolutePath());
    } catch (...) {
        removePath(staging);
        throw;
    }
    if (copied)
        copied();
    removePath(from);
}

} // namespace

bool samePackageFiles(const QString& first, const QString& second) {
    if (entryKind(first) != EntryKind::Folder || entryKind(second) != EntryKind::Folder)
        return false;
    std::map<QString, QString> a, b;
    try {
        digestTree(first, {}, a);
        digestTree(second, {}, b);
    } catch (const LumbexError&) {
        return false;
    }
    return a == b;
}

std::optional<QString> noteJsonDigest(const QString& package) {
    const QString noteFile = package + u'/' + PackageLayout::noteFile;
    if (entryKind(package) != EntryKind::Folder || entryKind(noteFile) != EntryKind::File)
        return std::nullopt;
    try {
        return sha256Hex(readFile(noteFile, kNoteJsonLimit));
    } catch (const LumbexError&) {
        return std::nullopt;
    }
}

void movePackage(const QString& from, const QString& to, const std::function<void()>& copied) {
    if (entryKind(from) != EntryKind::Folder)
        throw LumbexError(QStringLiteral("The note could not be moved: it is not a package "
                                         "folder. Its files have been kept."));
    const PackageLock lock(from, PackageLock::Waiting::DoNotWait);
    if (!lock.held())
        throw LumbexError(QStringLiteral("The file is busy. Try again."));
    try {
        renameNoReplace(from, to);
        syncFolder(QFileInfo(to).absolutePath());
        syncFolder(QFileInfo(from).absolutePath());
    } catch (const LumbexError& e) {
        if (e.systemError() != EXDEV)
            throw;
        copyAcross(from, to, copied);
    }
}

} // namespace lumbex
