#include "core/files.h"

#include "core/error.h"
#include "core/ids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lumbex {
namespace {

[[noreturn]] void throwErrno(const QString& what, const QString& path) {
    throw LumbexError(
        QStringLiteral("%1 “%2”: %3.")
            .arg(what, QFileInfo(path).fileName(), QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

QByteArray readFile(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir())
        throw LumbexError(QStringLiteral("“%1” is a folder, not a file.").arg(info.fileName()));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LumbexError(QStringLiteral("Could not open “%1”: %2.")
                              .arg(QFileInfo(path).fileName(), file.errorString()));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw LumbexError(QStringLiteral("Could not read “%1”: %2.")
                              .arg(QFileInfo(path).fileName(), file.errorString()));
    return bytes;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw LumbexError(QStringLiteral("Could not write “%1”: %2.")
                              .arg(QFileInfo(path).fileName(), file.errorString()));
}

void writeNewFileDurably(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly) ||
        file.write(bytes) != bytes.size() || !file.flush())
        throw LumbexError(QStringLiteral("Could not write “%1”: %2.")
                              .arg(QFileInfo(path).fileName(), file.errorString()));
    if (::fsync(file.handle()) != 0)
        throwErrno(QStringLiteral("Could not flush"), path);
}

QString temporarySibling(const QString& target, const QString& purpose) {
    const QFileInfo info(target);
    return info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') +
           purpose + QLatin1Char('-') + idString(newId());
}

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throwErrno(QStringLiteral("Could not open the folder"), folder);
    const int result = ::fsync(fd);
    ::close(fd);
    if (result != 0)
        throwErrno(QStringLiteral("Could not flush the folder"), folder);
}

void renameNoReplace(const QString& from, const QString& to) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) ==
        0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        throwErrno(QStringLiteral("Could not move into place"), to);
    // File systems without RENAME_NOREPLACE: a hard link refuses an existing target for files;
    // folders fall back to a checked rename.
    if (QFileInfo(from).isDir()) {
        if (QFileInfo::exists(to)) {
            errno = EEXIST;
            throwErrno(QStringLiteral("Could not move into place"), to);
        }
        if (::rename(source.constData(), target.constData()) != 0)
            throwErrno(QStringLiteral("Could not move into place"), to);
        return;
    }
    if (::link(source.constData(), target.constData()) != 0)
        throwErrno(QStringLiteral("Could not move into place"), to);
    ::unlink(source.constData());
}

bool exchangePaths(const QString& first, const QString& second) {
    if (::renameat2(AT_FDCWD, QFile::encodeName(first).constData(), AT_FDCWD,
                    QFile::encodeName(second).constData(), RENAME_EXCHANGE) == 0)
        return true;
    if (errno == EINVAL || errno == ENOSYS)
        return false;
    throwErrno(QStringLiteral("Could not move into place"), second);
}

void removePath(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        QDir(path).removeRecursively();
    else if (info.exists() || info.isSymLink())
        QFile::remove(path);
}

} // namespace lumbex
