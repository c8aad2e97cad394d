#include "core/file_lock.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/folder_handle.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace lumbex {
namespace {

QString shownName(const QString& path) {
    return displayFileName(QFileInfo(path).fileName());
}

[[noreturn]] void throwLockError(const char* what, const QString& name, int error) {
    throw LumbexError(QStringLiteral("%1 “%2”: %3.")
                          .arg(QString::fromUtf8(what), name,
                               QString::fromLocal8Bit(std::strerror(error))),
                      error);
}

// A descriptor of its own for an open folder: a lock belongs to one opening of a folder, so the
// folder's handle and the lock stay independent.
int reopen(const FolderHandle& folder) {
    return ::openat(folder.descriptor(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

} // namespace

FileLock FileLock::acquire(const QString& lockFile) {
    FileLock lock = open(lockFile);
    lock.wait();
    return lock;
}

FileLock FileLock::open(const QString& lockFile) {
    const int fd = ::open(encodeFileName(lockFile).constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        throwLockError("Could not open the lock file", shownName(lockFile), errno);
    return FileLock(fd, shownName(lockFile));
}

std::optional<FileLock> FileLock::tryAcquire(const QString& path) {
    const int fd =
        ::open(encodeFileName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    FileLock lock(fd, shownName(path));
    if (!lock.tryLock())
        return std::nullopt;
    return lock;
}

FileLock FileLock::acquire(const FolderHandle& folder) {
    const int fd = reopen(folder);
    if (fd < 0)
        throwLockError("Could not lock", shownName(folder.path()), errno);
    FileLock lock(fd, shownName(folder.path()));
    lock.wait();
    return lock;
}

std::optional<FileLock> FileLock::tryAcquire(const FolderHandle& folder) {
    const int fd = reopen(folder);
    if (fd < 0)
        return std::nullopt;
    FileLock lock(fd, shownName(folder.path()));
    if (!lock.tryLock())
        return std::nullopt;
    return lock;
}

void FileLock::wait() {
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR)
            throwLockError("Could not lock", name_, errno);
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
