#include "library/preview_cache.h"

namespace lumbex {

PreviewCache::PreviewCache(int maxImages, qint64 maxBytes)
    : maxImages_(maxImages), maxBytes_(maxBytes) {}

std::optional<QImage> PreviewCache::find(const QString& key) {
    const auto found = index_.find(key);
    if (found == index_.end())
        return std::nullopt;
    order_.splice(order_.begin(), order_, found->second);
    return found->second->image;
}

void PreviewCache::insert(const QString& key, const QImage& image) {
    remove(key);
    if (cost(image) > maxBytes_ || maxImages_ < 1)
        return;
    order_.push_front({key, image});
    index_[key] = order_.begin();
    bytes_ += cost(image);
    while (int(order_.size()) > maxImages_ || bytes_ > maxBytes_)
        remove(order_.back().key);
}

void PreviewCache::remove(const QString& key) {
    const auto found = index_.find(key);
    if (found == index_.end())
        return;
    bytes_ -= cost(found->second->image);
    order_.erase(found->second);
    index_.erase(found);
}

} // namespace lumbex
