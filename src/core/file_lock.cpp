#include "core/file_lock.h"

#include "core/error.h"
#include "core/file_names.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumbex {

FileLock FileLock::acquire(const QString& lockFile) {
    FileLock lock = open(lockFile);
    lock.wait();
    return lock;
}

FileLock FileLock::open(const QString& lockFile) {
    const QString name = displayFileName(QFileInfo(lockFile).fileName());
    const int fd = ::open(encodeFileName(lockFile).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throw LumbexError(QStringLiteral("Could not open the lock file “%1”: %2.")
                              .arg(name, QString::fromLocal8Bit(std::strerror(errno))),
                          errno);
    return FileLock(fd, name);
}

void FileLock::wait() {
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR)
            throw LumbexError(QStringLiteral("Could not lock “%1”: %2.")
                                  .arg(name_, QString::fromLocal8Bit(std::strerror(errno))),
                              errno);
    }
}

bool FileLock::tryLock() {
    return ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

QString FileLock::identity() const {
    struct stat status {};
    ::fstat(fd_, &status);
    return QStringLiteral("%1:%2").arg(quint64(status.st_dev)).arg(quint64(status.st_ino));
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
    return FileLock(fd, displayFileName(QFileInfo(path).fileName()));
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), name_(std::move(other.name_)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        name_ = std::move(other.name_);
    }
    return *this;
}

FileLock::~FileLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

} // namespace lumbex
