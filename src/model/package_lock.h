#pragma once

#include <QString>

namespace lumbex {

// Excludes every other writer of one note package, in this process or another, from reading the
// package for an edit until its save has been renamed into place: two edits run one after the
// other instead of one losing the other's change. It is an advisory lock on the file
// ".<package name>.lock" beside the package, which stays there. Within one process the lock is
// shared: a save that runs on a worker for a caller already holding it does not wait for itself.
// Blocks until the lock is free: never construct one on the GUI thread while a save may run.
class PackageLock {
public:
    enum class Waiting { Wait, DoNotWait };
    // Throws LumbexError when the lock file cannot be opened. With DoNotWait the lock is not
    // taken when another process holds it: see held().
    explicit PackageLock(const QString& packagePath, Waiting waiting = Waiting::Wait);
    ~PackageLock();
    PackageLock(const PackageLock&) = delete;
    PackageLock& operator=(const PackageLock&) = delete;

    bool held() const { return held_; }

private:
    QString key_;
    bool held_ = false;
};

} // namespace lumbex
