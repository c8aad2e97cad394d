#include "core/error.h"
#include "model/fast_png.h"
#include "model/image_files.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

// Random pixels of every channel, alpha 255 unless `translucentEvery` marks some pixels.
QImage noise(int width, int height, QImage::Format format, int translucentEvery = 0) {
    QImage image(width, height, QImage::Format_ARGB32);
    QRandomGenerator random(quint32(width * 31 + height));
    int index = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, ++index) {
            const int alpha =
                translucentEvery && index % translucentEvery == 0 ? random.bounded(256) : 255;
            image.setPixel(
                x, y, qRgba(random.bounded(256), random.bounded(256), random.bounded(256), alpha));
        }
    return image.convertToFormat(format);
}

// The PNG colour type, the byte after width, height and bit depth in the header.
int colourType(const QByteArray& png) {
    return png.at(25);
}

TEST(FastPngTest, decodesToTheSamePixels) {
    const struct {
        const char* name;
        QImage image;
        int colourType; // 2 RGB, 6 RGBA
    } cases[] = {
        {"opaque RGB32", noise(37, 19, QImage::Format_RGB32), 2},
        {"ARGB32 that is opaque", noise(64, 3, QImage::Format_ARGB32), 2},
        {"translucent ARGB32", noise(33, 17, QImage::Format_ARGB32, 5), 6},
        {"grayscale", noise(15, 9, QImage::Format_RGB32).convertToFormat(QImage::Format_Grayscale8),
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray png = FastPng::encode(c.image);
        EXPECT_EQ(colourType(png), c.colourType);
        const QImage decoded = ImageFiles::image(png);
        ASSERT_EQ(decoded.size(), c.image.size());
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32),
                  c.image.convertToFormat(QImage::Format_ARGB32));
    }
}

TEST(FastPngTest, aNullImageIsRefused) {
    EXPECT_THROW(FastPng::encode(QImage()), LumbexError);
}

} // namespace
} // namespace lumbex
