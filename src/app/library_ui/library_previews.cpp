#include "app/library_ui/library_previews.h"

#include "core/error.h"

#include <QThread>

namespace lumbex {

LibraryPreviews::LibraryPreviews(QObject* parent)
    : QObject(parent), generation_(QUuid::createUuid()) {
    queue_.setObjectName(QStringLiteral("Lumbex Library Previews"));
    queue_.setMaxThreadCount(1);
    queue_.setThreadPriority(QThread::LowPriority);
}

LibraryPreviews::~LibraryPreviews() {
    queue_.clear();
    queue_.waitForDone();
}

LibraryPreviews::State LibraryPreviews::state(const LibraryEntry& entry, QImage* image) {
    if (!entry.thumbnail || failed_.count(entry.thumbnail->key))
        return State::Unavailable;
    if (const std::optional<QImage> cached = cache_.find(entry.thumbnail->key)) {
        if (image)
            *image = *cached;
        return State::Ready;
    }
    return State::Preparing;
}

void LibraryPreviews::request(const LibraryEntry& entry, std::optional<QByteArray> original) {
    if (!entry.thumbnail)
        return;
    const QString key = entry.thumbnail->key;
    if (failed_.count(key) || queued_.count(key) || cache_.find(key))
        return;
    queued_.insert(key);
    queue_.start([this, generation = generation_, thumbnail = *entry.thumbnail, package = entry.url,
                  original = std::move(original)] {
        QImage image;
        try {
            image = thumbnail.render(package, original);
        } catch (const LumbexError&) {
            // A null image stands for the failure; the row keeps its placeholder.
        }
        QMetaObject::invokeMethod(
            this,
            [this, generation, key = thumbnail.key, image] { finish(generation, key, image); },
            Qt::QueuedConnection);
    });
}

void LibraryPreviews::newGeneration() {
    generation_ = QUuid::createUuid();
    queue_.clear();
    queued_.clear();
}

void LibraryPreviews::finish(const QUuid& generation, const QString& key, const QImage& image) {
    if (generation != generation_)
        return;
    queued_.erase(key);
    if (image.isNull())
        failed_.insert(key);
    else
        cache_.insert(key, image);
    ++rendered_;
    emit changed(key);
}

} // namespace lumbex
