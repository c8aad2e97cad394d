#include "library/preview_cache.h"

#include <gtest/gtest.h>

namespace lumbex {
namespace {

QImage imageOfBytes(int rows) {
    // 16 pixels × 4 bytes = 64 bytes per line.
    QImage image(16, rows, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::red);
    return image;
}

TEST(PreviewCacheTest, DropsTheLeastRecentlyUsedBeyondTheCount) {
    PreviewCache cache(3, 1 << 20);
    for (const char* key : {"a", "b", "c"})
        cache.insert(QString::fromLatin1(key), imageOfBytes(1));
    EXPECT_TRUE(cache.find(QStringLiteral("a")));
    cache.insert(QStringLiteral("d"), imageOfBytes(1));
    EXPECT_EQ(cache.count(), 3);
    EXPECT_TRUE(cache.find(QStringLiteral("a")));
    EXPECT_FALSE(cache.find(QStringLiteral("b")));
    EXPECT_TRUE(cache.find(QStringLiteral("c")));
    EXPECT_TRUE(cache.find(QStringLiteral("d")));
}

TEST(PreviewCacheTest, DropsTheLeastRecentlyUsedBeyondTheBytes) {
    PreviewCache cache(120, 64 * 10);
    cache.insert(QStringLiteral("a"), imageOfBytes(4));
    cache.insert(QStringLiteral("b"), imageOfBytes(4));
    EXPECT_EQ(cache.bytes(), 64 * 8);
    cache.insert(QStringLiteral("c"), imageOfBytes(4));
    EXPECT_EQ(cache.bytes(), 64 * 8);
    EXPECT_FALSE(cache.find(QStringLiteral("a")));
    // Too large for the whole budget: not kept, nothing else dropped.
    cache.insert(QStringLiteral("huge"), imageOfBytes(11));
    EXPECT_FALSE(cache.find(QStringLiteral("huge")));
    EXPECT_EQ(cache.count(), 2);
    // Replacing a key counts its new size only.
    cache.insert(QStringLiteral("b"), imageOfBytes(2));
    EXPECT_EQ(cache.bytes(), 64 * 6);
}

TEST(PreviewCacheTest, DefaultBudgetIs120ImagesAnd8MiB) {
    PreviewCache cache;
    for (int i = 0; i < 130; ++i)
        cache.insert(QString::number(i), imageOfBytes(1));
    EXPECT_EQ(cache.count(), 120);
    // 4 MiB each: two fit beside the small ones only once those have gone.
    PreviewCache large;
    QImage big(1024, 1024, QImage::Format_ARGB32_Premultiplied);
    for (const char* key : {"big1", "big2", "big3"})
        large.insert(QString::fromLatin1(key), big);
    EXPECT_FALSE(large.find(QStringLiteral("big1")));
    EXPECT_TRUE(large.find(QStringLiteral("big2")));
    EXPECT_TRUE(large.find(QStringLiteral("big3")));
    EXPECT_EQ(large.bytes(), qint64(8) << 20);
}

} // namespace
} // namespace lumbex
