#pragma once

#include <QString>
#include <optional>

namespace lumbex {

class FolderHandle;

// An advisory lock (flock) held on an open file or folder until the object is destroyed or the
// process ends, so a lock can never outlive a crashed holder. Two FileLocks on the same file
// exclude each other, also within one process.
class FileLock {
public:
    // Waits for the lock on `lockFile`, creating that file if missing (never through a symbolic
    // link). Throws LumbexError when the file cannot be opened.
    static FileLock acquire(const QString& lockFile);
    // Opens (creating if missing) `lockFile` without locking it yet; wait() then locks it.
    static FileLock open(const QString& lockFile);
    void wait();
    // Locks without waiting; false when another holder has it.
    bool tryLock();
    // Device and inode of the lock file: the same for every path that names it.
    QString identity() const;
    // The lock on an existing file or folder when nobody holds it, without waiting; none when it
    // is held, missing, or a symbolic link.
    static std::optional<FileLock> tryAcquire(const QString& path);
    // The same two on a folder already open, so that the lock is on that very folder and not on
    // whatever its path names by now.
    static FileLock acquire(const FolderHandle& folder);
    static std::optional<FileLock> tryAcquire(const FolderHandle& folder);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd, QString name) : fd_(fd), name_(std::move(name)) {}
    int fd_ = -1;
    QString name_;
};

} // namespace lumbex
