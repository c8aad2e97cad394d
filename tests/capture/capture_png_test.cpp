#include "capture/capture_png.h"
#include "support/fake_screen_grabber.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>
#include <cstring>
#include <gtest/gtest.h>
#include <iostream>

namespace lumbex {
namespace {

QImage decode(const QByteArray& png) {
    QBuffer buffer;
    buffer.setData(png);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << reader.errorString().toStdString();
    return image;
}

// Half-transparent stripes over a position-coded picture, premultiplied as captures with a
// window shadow are.
QImage translucent(QSize size) {
    QImage image = test::positionCodedDesktop(size).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < size.height(); y += 3)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgba(qRed(image.pixel(x, y)), 40, 200, (x * 7) % 256));
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Runs of rows that repeat the one above, between rows that differ.
QImage repeatingRows(QImage image) {
    for (int y = 0; y < image.height(); ++y)
        if (y % 10 >= 3)
            std::memcpy(image.scanLine(y), image.constScanLine(y - 1),
                        size_t(image.bytesPerLine()));
    return image;
}

// Soft colours that change from every pixel to the next, as in a photograph.
QImage photographLike(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int grain = int(noise >> 29);
            image.setPixel(x, y,
                           qRgb((x + y) / 4 % 256, (2 * x + grain) % 256, (y / 2 + grain) % 256));
        }
    return image;
}

// A photograph inside a screen: rows that are kept as they are next to rows stored as differences.
QImage photographOnAScreen(QSize size) {
    QImage image = test::positionCodedDesktop(size);
    const QImage photograph = photographLike(QSize(size.width(), size.height() / 2));
    for (int y = 0; y < photograph.height(); y += 2)
        std::memcpy(image.scanLine(y), photograph.constScanLine(y), size_t(image.bytesPerLine()));
    return image;
}

TEST(CapturePng, DecodesToExactlyThePixelsCaptured) {
    struct Row {
        const char* name;
        QImage image;
        bool alpha;
    } rows[] = {
        {"odd sizes, every value", test::positionCodedDesktop(QSize(301, 259)), false},
        {"opaque with an alpha channel",
         test::positionCodedDesktop(QSize(64, 48))
             .convertToFormat(QImage::Format_ARGB32_Premultiplied),
         false},
        {"translucent", translucent(QSize(97, 45)), true},
        {"repeated rows", repeatingRows(test::positionCodedDesktop(QSize(83, 47))), false},
        {"repeated translucent rows", repeatingRows(translucent(QSize(61, 33))), true},
        {"a photograph on a screen", photographOnAScreen(QSize(77, 64)), false},
        {"a repeated photograph", repeatingRows(photographLike(QSize(59, 40))), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QImage decoded = decode(encodeCapturePng(row.image));
        ASSERT_EQ(decoded.size(), row.image.size());
        EXPECT_EQ(decoded.hasAlphaChannel(), row.alpha);
        EXPECT_EQ(decoded.colorSpace(), QColorSpace(QColorSpace::SRgb));
        const QImage expected = row.image.convertToFormat(QImage::Format_ARGB32);
        const QImage actual = decoded.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                ASSERT_EQ(actual.pixel(x, y), expected.pixel(x, y)) << x << "," << y;
    }
}

TEST(CapturePng, RepeatedRowsCostAlmostNothing) {
    QImage flat(1920, 1080, QImage::Format_RGB32);
    flat.fill(qRgb(240, 240, 245));
    for (int x = 0; x < flat.width(); x += 7)
        for (int y = 0; y < flat.height(); ++y)
            flat.setPixel(x, y, qRgb(x % 256, 90, 30)); // a pattern across, the same down
    EXPECT_LT(encodeCapturePng(flat).size(), 20'000);
}

TEST(CapturePng, APhotographIsNoLargerThanTheGeneralEncoderMakesIt) {
    const QImage photograph = photographLike(QSize(640, 400));
    QBuffer general;
    general.open(QIODevice::WriteOnly);
    ASSERT_TRUE(photograph.save(&general, "png"));
    const qsizetype ours = encodeCapturePng(photograph).size();
    std::cout << "photograph: " << ours << " bytes, general encoder " << general.size() << "\n";
    EXPECT_LT(ours, general.size() * 11 / 10);
}

} // namespace
} // namespace lumbex
