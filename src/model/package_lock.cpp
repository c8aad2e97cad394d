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

PackageLock::PackageLock(const QString& packagePath)
    : lockFile_(temporarySiblingPrefix(QFileInfo(packagePath).absoluteFilePath()) +
                QStringLiteral("lock")) {
    {
        const std::lock_guard guard(heldMutex);
        if (const auto it = heldLocks().find(lockFile_); it != heldLocks().end()) {
            ++it->second.holders;
            return;
        }
    }
    // Waiting happens outside the mutex; whoever gets the file lock registers it.
    FileLock lock = FileLock::acquire(lockFile_);
    const std::lock_guard guard(heldMutex);
    heldLocks().emplace(lockFile_, HeldLock{std::move(lock), 1});
}

PackageLock::~PackageLock() {
    const std::lock_guard guard(heldMutex);
    const auto it = heldLocks().find(lockFile_);
    if (--it->second.holders == 0)
        heldLocks().erase(it);
}

} // namespace lumbex
