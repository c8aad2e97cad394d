#include "core/latest_work.h"

#include <QMetaObject>
#include <new>

namespace lumbex {

LumbexError jobError(const std::exception_ptr& thrown, const QString& doing) {
    try {
        std::rethrow_exception(thrown);
    } catch (const LumbexError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return LumbexError(QStringLiteral("Not enough memory to %1.").arg(doing));
    } catch (const std::exception& error) {
        return LumbexError(QStringLiteral("Couldn’t %1: an unexpected error occurred (%2).")
                               .arg(doing, QString::fromUtf8(error.what())));
    } catch (...) {
        return LumbexError(QStringLiteral("Couldn’t %1: an unexpected error occurred.").arg(doing));
    }
}

LatestWork::LatestWork(QObject* owner, QThreadPool* pool) : pool_(pool) {
    shared_->owner = owner;
}

LatestWork::~LatestWork() {
    const std::lock_guard guard(shared_->lock);
    shared_->owner = nullptr;
    ++shared_->attempt;
}

void LatestWork::drop() {
    const std::lock_guard guard(shared_->lock);
    ++shared_->attempt;
    shared_->pending = 0;
}

void LatestWork::dropAndWait() {
    drop();
    std::unique_lock lock(shared_->lock);
    shared_->idle.wait(lock, [this] { return shared_->running == 0; });
}

bool LatestWork::begin(Shared& shared, quint64 attempt) {
    const std::lock_guard guard(shared.lock);
    if (!shared.owner || shared.attempt != attempt)
        return false;
    ++shared.running;
    return true;
}

bool LatestWork::isLatest(Shared& shared, quint64 attempt) {
    const std::lock_guard guard(shared.lock);
    return shared.owner && shared.attempt == attempt;
}

void LatestWork::finish(const std::shared_ptr<Shared>& shared, quint64 attempt,
                        std::function<void()> deliver) noexcept {
    const std::lock_guard guard(shared->lock);
    --shared->running;
    shared->idle.notify_all();
    // Posting under the lock: the owner cannot end meanwhile, as its work ends under it first.
    if (!deliver || !shared->owner || shared->attempt != attempt)
        return;
    try {
        QMetaObject::invokeMethod(
            shared->owner,
            [shared, attempt, deliver = std::move(deliver)] {
                if (!isLatest(*shared, attempt))
                    return;
                --shared->pending;
                deliver();
            },
            Qt::QueuedConnection);
    } catch (...) {
        // As in run(): without memory to post it, the outcome is lost, not the process.
    }
}

} // namespace lumbex
