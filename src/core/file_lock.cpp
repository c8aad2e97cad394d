#include "core/file_lock.h"

#include "core/error.h"
#include "core/file_names.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <utility>

namespace lumbex {

FileLock FileLock::acquire(const QString& lockFile) {
    const int fd = ::open(encodeFileName(lockFile).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw LumbexError(QStringLiteral("Could not open the lock file “%1”: %2.")
                              .arg(displayFileName(QFileInfo(lockFile).fileName()),
                                   QString::fromLocal8Bit(std::strerror(errno))));
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            ::close(fd);
            throw LumbexError(QStringLiteral("Could not lock “%1”: %2.")
                                  .arg(displayFileName(QFileInfo(lockFile).fileName()),
                                       QString::fromLocal8Bit(std::strerror(error))));
        }
    }
    return FileLock(fd);
}

std::optional<FileLock> FileLock::tryAcquire(const QString& path) {
    const int fd =
        ::open(encodeFileName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::nullopt;
    }
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
