#pragma once

#include <QImage>
#include <QString>
#include <list>
#include <optional>
#include <unordered_map>

namespace lumbex {

// Rendered previews by key, least recently used dropped first once there are more than
// `maxImages` or their pixel data (bytes per line × height each) passes `maxBytes`. GUI thread.
class PreviewCache {
public:
    PreviewCache(int maxImages = 120, qint64 maxBytes = qint64(8) << 20);

    // The image, now the most recently used; none when absent.
    std::optional<QImage> find(const QString& key);
    // Keeps the image (replacing one under the same key); an image larger than the whole budget
    // is not kept.
    void insert(const QString& key, const QImage& image);

    int count() const { return int(order_.size()); }
    qint64 bytes() const { return bytes_; }

    static qint64 cost(const QImage& image) {
        return image.bytesPerLine() * qint64(image.height());
    }

private:
    void remove(const QString& key);

    struct Item {
        QString key;
        QImage image;
    };
    int maxImages_;
    qint64 maxBytes_;
    qint64 bytes_ = 0;
    std::list<Item> order_; // most recent first
    std::unordered_map<QString, std::list<Item>::iterator> index_;
};

} // namespace lumbex
