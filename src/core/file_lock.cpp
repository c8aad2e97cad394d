#include "core/file_lock.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/folder_handle.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace lumbex {

namespace {

QString shownName(const QString& path) {
    return displayFileName(QFileInfo(path).fileName());
}

// Waits for the lock on `fd`; closes it and throws when waiting fails.
void waitForLock(int fd, const QString& path) {
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            throw LumbexError(
                QStringLiteral("Could not lock “%1”: %2.")
                    .arg(shownName(path), QString::fromLocal8Bit(std::strerror(error))),
                error);
        }
    }
}

// Takes the lock on `fd` without waiting; closes it when someone else holds it.
bool takeFreeLock(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true;
    ::close(fd);
    return false;
}

// A descriptor of its own for an open folder: a lock belongs to one opening of a folder, so the
// folder's handle and the lock stay independent.
int reopen(const FolderHandle& folder) {
    return ::openat(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

FileLock FileLock::acquire(const QString& lockFile) {
    const int fd = ::open(encodeFileName(lockFile).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int error = errno;
        throw LumbexError(
            QStringLiteral("Could not open the lock file “%1”: %2.")
                .arg(shownName(lockFile), QString::fromLocal8Bit(std::strerror(error))),
            error);
    }
    waitForLock(fd, lockFile);
    return FileLock(fd);
}

std::optional<FileLock> FileLock::tryAcquire(const QString& path) {
    const int fd =
        ::open(encodeFileName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || !takeFreeLock(fd))
        return std::nullopt;
    return FileLock(fd);
}

FileLock FileLock::acquire(const FolderHandle& folder) {
    const int fd = reopen(folder);
    if (fd < 0) {
        const int error = errno;
        throw LumbexError(
            QStringLiteral("Could not lock “%1”: %2.")
                .arg(shownName(folder.path()), QString::fromLocal8Bit(std::strerror(error))),
            error);
    }
    waitForLock(fd, folder.path());
    return FileLock(fd);
}

std::optional<FileLock> FileLock::tryAcquire(const FolderHandle& folder) {
    const int fd = reopen(folder);
    if (fd < 0 || !takeFreeLock(fd))
        return std::nullopt;
    return FileLock(fd);
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileLock::~FileLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace lumbex
