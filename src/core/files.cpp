#include "core/files.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/ids.h"
#include "core/sha256.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace lumbex {
namespace {

// Keeps generated sibling names ("." + key + ".replaced-" + 36-character UUID) within 255 bytes.
constexpr qsizetype kMaxKeyBytes = 160;

QString nameOf(const QString& path) {
    return displayFileName(QFileInfo(path).fileName());
}

[[noreturn]] void throwErrno(const QString& what, const QString& path, int error = errno) {
    throw LumbexError(
        QStringLiteral("%1 “%2”: %3.").arg(what, nameOf(path), systemErrorText(error)), error);
}

QByteArray encoded(const QString& path) {
    return encodeFileName(path);
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        left -= written;
    }
    return true;
}

// Writes and flushes a file that `createFile` has just made as `name` in `folder` and closes it;
// on failure removes it and returns the system's error number, else 0.
int fillNewFile(int fd, int folder, const QString& name, const QByteArray& bytes) {
    int error = 0;
    if (!writeAll(fd, bytes) || ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlinkat(folder, encoded(name).constData(), 0);
    return error;
}

int createFile(int folder, const QString& name) {
    return ::openat(folder, encoded(name).constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

QString siblingKey(const QString& name) {
    const QByteArray bytes = encodeFileName(name);
    if (bytes.size() <= kMaxKeyBytes)
        return name;
    // Cut on a character boundary, then tell long names with the same start apart by a digest.
    qsizetype cut = kMaxKeyBytes - 17;
    while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return decodeFileName(bytes.left(cut)) + u'~' + sha256Hex(bytes).left(16);
}

// ".<key>.": what every temporary name for `name` starts with.
QString temporaryNamePrefix(const QString& name) {
    return QStringLiteral(".") + siblingKey(name) + QLatin1Char('.');
}

QString temporaryName(const QString& name, const QString& purpose) {
    return temporaryNamePrefix(name) + purpose + QLatin1Char('-') + idString(newId());
}

// Writes `bytes` as `temporary` in `folder`, then renames it to `name` there.
void writeThroughTemporary(int folder, const QString& name, const QString& temporary,
                           const QByteArray& bytes) {
    const int fd = createFile(folder, temporary);
    if (fd < 0)
        throwErrno(QStringLiteral("Could not write"), name);
    if (const int error = fillNewFile(fd, folder, temporary, bytes))
        throwErrno(QStringLiteral("Could not write"), name, error);
    if (::renameat(folder, encoded(temporary).constData(), folder, encoded(name).constData()) !=
        0) {
        const int error = errno;
        ::unlinkat(folder, encoded(temporary).constData(), 0);
        throwErrno(QStringLiteral("Could not write"), name, error);
    }
}

} // namespace

QString systemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

InputFile::InputFile(const QString& path) : InputFile(AT_FDCWD, path) {}

InputFile::InputFile(int folder, const QString& name) : path_(name) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    fd_ =
        ::openat(folder, encoded(name).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        if (errno == ELOOP)
            throw LumbexError(QStringLiteral("“%1” is a symbolic link. Name the file it points to.")
                                  .arg(nameOf(name)),
                              ELOOP);
        throwErrno(QStringLiteral("Could not open"), name);
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        const int error = errno;
        ::close(fd_);
        throwErrno(QStringLiteral("Could not read"), name, error);
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(fd_);
        throw LumbexError(S_ISDIR(status.st_mode)
                              ? QStringLiteral("“%1” is a folder, not a file.").arg(nameOf(name))
                              : QStringLiteral("“%1” is not a regular file.").arg(nameOf(name)));
    }
    size_ = status.st_size;
}

InputFile::~InputFile() {
    ::close(fd_);
}

QByteArray InputFile::head(qint64 count) const {
    return read(0, count);
}

QByteArray InputFile::read(qint64 offset, qint64 count) const {
    QByteArray bytes(qBound<qint64>(0, qMin(count, size_ - offset), size_), Qt::Uninitialized);
    qint64 filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::pread(fd_, bytes.data() + filled, size_t(bytes.size() - filled),
                                    off_t(offset + filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throwErrno(QStringLiteral("Could not read"), path_);
        if (got == 0)
            break;
        filled += got;
    }
    bytes.truncate(filled);
    return bytes;
}

QByteArray InputFile::readAll(qint64 maxBytes, const QString& tooLarge) const {
    if (size_ > maxBytes)
        throw LumbexError(
            tooLarge.isEmpty()
                ? QStringLiteral("“%1” is too large to open safely.").arg(nameOf(path_))
                : tooLarge);
    QByteArray bytes = head(size_);
    if (bytes.size() != size_)
        throw LumbexError(
            QStringLiteral("“%1” changed while it was read. Try again.").arg(nameOf(path_)));
    return bytes;
}

QByteArray readFile(const QString& path, qint64 maxBytes, const QString& tooLarge) {
    return InputFile(path).readAll(maxBytes, tooLarge);
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    writeThroughTemporary(AT_FDCWD, path, temporarySibling(path, QStringLiteral("writing")), bytes);
}

void writeFileAtomically(int folder, const QString& name, const QByteArray& bytes) {
    writeThroughTemporary(folder, name, temporaryName(name, QStringLiteral("writing")), bytes);
}

void writeNewFileDurably(const QString& path, const QByteArray& bytes) {
    const int fd = createFile(AT_FDCWD, path);
    if (fd < 0)
        throwErrno(QStringLiteral("Could not write"), path);
    if (const int error = fillNewFile(fd, AT_FDCWD, path, bytes))
        throwErrno(QStringLiteral("Could not write"), path, error);
}

void copyNewFileDurably(const QString& from, const QString& to) {
    const InputFile source(from);
    const int fd = createFile(AT_FDCWD, to);
    if (fd < 0)
        throwErrno(QStringLiteral("Could not write"), to);
    constexpr qint64 chunk = qint64(1) << 20;
    for (qint64 offset = 0; offset < source.size(); offset += chunk) {
        const QByteArray bytes = source.read(offset, chunk);
        if (!writeAll(fd, bytes)) {
            const int error = errno;
            ::close(fd);
            ::unlink(encoded(to).constData());
            throwErrno(QStringLiteral("Could not write"), to, error);
        }
    }
    if (const int error = fillNewFile(fd, AT_FDCWD, to, {}))
        throwErrno(QStringLiteral("Could not write"), to, error);
}

bool hardLink(const QString& from, const QString& to) {
    if (::linkat(AT_FDCWD, encoded(from).constData(), AT_FDCWD, encoded(to).constData(), 0) == 0)
        return true;
    if (errno == EXDEV || errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK)
        return false;
    throwErrno(QStringLiteral("Could not link"), to);
}

void makeFolder(const QString& path) {
    if (::mkdir(encoded(path).constData(), 0777) != 0)
        throwErrno(QStringLiteral("Could not create the folder"), path);
}

void makeFolders(const QString& path) {
    switch (entryKind(path)) {
    case EntryKind::Folder:
        return;
    case EntryKind::Missing:
        break;
    default:
        throwErrno(QStringLiteral("Could not create the folder"), path, EEXIST);
    }
    const QString parent = QFileInfo(path).absolutePath();
    if (parent != QFileInfo(path).absoluteFilePath())
        makeFolders(parent);
    if (::mkdir(encoded(path).constData(), 0777) != 0 && errno != EEXIST)
        throwErrno(QStringLiteral("Could not create the folder"), path);
    if (entryKind(path) != EntryKind::Folder)
        throwErrno(QStringLiteral("Could not create the folder"), path, EEXIST);
}

QString temporarySiblingPrefix(const QString& target) {
    const QFileInfo info(target);
    return info.absolutePath() + u'/' + temporaryNamePrefix(info.fileName());
}

QString temporarySibling(const QString& target, const QString& purpose) {
    const QFileInfo info(target);
    return info.absolutePath() + u'/' + temporaryName(info.fileName(), purpose);
}

void syncFolder(const QString& folder) {
    const int fd = ::open(encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        throwErrno(QStringLiteral("Could not open the folder"), folder);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        throwErrno(QStringLiteral("Could not flush the folder"), folder, error);
}

void renameNoReplace(const QString& from, const QString& to) {
    renameNoReplace(AT_FDCWD, from, to);
}

void renameNoReplace(int folder, const QString& from, const QString& to) {
    const QByteArray source = encoded(from);
    const QByteArray target = encoded(to);
    if (::renameat2(folder, source.constData(), folder, target.constData(), RENAME_NOREPLACE) == 0)
        return;
    if (errno != EINVAL && errno != ENOSYS)
        throwErrno(QStringLiteral("Could not move into place"), to);
    // File systems without RENAME_NOREPLACE: a hard link refuses an existing target for files;
    // folders fall back to a checked rename.
    if (entryKind(folder, from) == EntryKind::Folder) {
        if (entryKind(folder, to) != EntryKind::Missing)
            throwErrno(QStringLiteral("Could not move into place"), to, EEXIST);
        if (::renameat(folder, source.constData(), folder, target.constData()) != 0)
            throwErrno(QStringLiteral("Could not move into place"), to);
        return;
    }
    if (::linkat(folder, source.constData(), folder, target.constData(), 0) != 0)
        throwErrno(QStringLiteral("Could not move into place"), to);
    ::unlinkat(folder, source.constData(), 0);
}

bool exchangePaths(const QString& first, const QString& second) {
    if (::renameat2(AT_FDCWD, encoded(first).constData(), AT_FDCWD, encoded(second).constData(),
                    RENAME_EXCHANGE) == 0)
        return true;
    if (errno == EINVAL || errno == ENOSYS)
        return false;
    throwErrno(QStringLiteral("Could not move into place"), second);
}

void removePath(const QString& path) {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(encoded(path).toStdString()), ignored);
}

EntryKind entryKind(const QString& path) {
    return entryKind(AT_FDCWD, path);
}

EntryKind entryKind(int folder, const QString& name) {
    struct stat status {};
    if (::fstatat(folder, encoded(name).constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return EntryKind::Missing;
    if (S_ISLNK(status.st_mode))
        return EntryKind::SymbolicLink;
    if (S_ISDIR(status.st_mode))
        return EntryKind::Folder;
    return S_ISREG(status.st_mode) ? EntryKind::File : EntryKind::Other;
}

} // namespace lumbex
