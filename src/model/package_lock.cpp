#include "model/package_lock.h"

#include "core/file_lock.h"
#include "core/files.h"

#include <QFileInfo>
#include <map>
#include <mutex>

namespace lumbex {
namespace {

struct HeldLock {
    FileLock lock;
    int holders = 0;
};

std::mutex heldMutex;
std::map<QString, HeldLock>& heldLocks() {
    static std::map<QString, HeldLock> locks;
    return locks;
}

} // namespace

PackageLock::PackageLock(const QString& packagePath, Waiting waiting) {
    FileLock lock = FileLock::open(
        temporarySiblingPrefix(QFileInfo(packagePath).absoluteFilePath()) + QStringLiteral("lock"));
    // Keyed by the file itself, so that two spellings of one path share the lock instead of
    // waiting for each other.
    key_ = lock.identity();
    {
        const std::lock_guard guard(heldMutex);
        if (const auto it = heldLocks().find(key_); it != heldLocks().end()) {
            ++it->second.holders;
            held_ = true;
            return;
        }
    }
    // Waiting happens outside the mutex; whoever gets the file lock registers it.
    if (waiting == Waiting::Wait)
        lock.wait();
    else if (!lock.tryLock())
        return;
    held_ = true;
    const std::lock_guard guard(heldMutex);
    heldLocks().emplace(key_, HeldLock{std::move(lock), 1});
}

PackageLock::~PackageLock() {
    if (!held_)
        return;
    const std::lock_guard guard(heldMutex);
    const auto it = heldLocks().find(key_);
    if (--it->second.holders == 0)
        heldLocks().erase(it);
}

} // namespace lumbex
