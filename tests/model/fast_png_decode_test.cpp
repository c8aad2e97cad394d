#include "core/error.h"
#include "model/fast_png.h"
#include "model/image_files.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QRandomGenerator>
#include <QtEndian>
#include <gtest/gtest.h>
#include <libdeflate.h>

namespace lumbex {
namespace {

// A screen-like picture: gradients, text, flat areas and noise, with some translucent pixels
// when `alpha` is set.
QImage picture(int width, int height, bool alpha) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(30, 120, 200, alpha ? 90 : 255));
    gradient.setColorAt(1, QColor(240, 200, 40));
    painter.fillRect(image.rect(), gradient);
    painter.setPen(Qt::black);
    painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Checkout total 42.00"));
    painter.end();
    QRandomGenerator random(quint32(width * 7 + height));
    for (int i = 0; i < width * height / 16; ++i)
        image.setPixel(random.bounded(width), random.bounded(height),
                       qRgba(random.bounded(256), random.bounded(256), random.bounded(256),
                             alpha ? random.bounded(256) : 255));
    return image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QByteArray qtPng(QImage image, int quality) {
    // An uncommon resolution, so that a decoder that ignores it is caught.
    image.setDotsPerMeterX(5000);
    image.setDotsPerMeterY(4000);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

void appendChunk(QByteArray& png, const char* type, const QByteArray& data) {
    uchar length[4];
    qToBigEndian<quint32>(quint32(data.size()), length);
    png.append(reinterpret_cast<const char*>(length), 4);
    const QByteArray typed = QByteArray(type, 4) + data;
    png.append(typed);
    uchar crc[4];
    qToBigEndian<quint32>(quint32(libdeflate_crc32(0, typed.constData(), size_t(typed.size()))),
                          crc);
    png.append(reinterpret_cast<const char*>(crc), 4);
}

QByteArray zlib(const QByteArray& raw) {
    return qCompress(raw).mid(4); // qCompress puts the length first
}

// An RGB(A) PNG whose every row uses `filter` (0–4), with extra chunks before the image data.
QByteArray filteredPng(const QImage& image, int filter, const QByteArray& extraType = {},
                       const QByteArray& extraData = {}) {
    const bool alpha = image.hasAlphaChannel();
    const int bpp = alpha ? 4 : 3;
    const QImage rgba =
        image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    const int rowSize = image.width() * bpp;
    QByteArray raw;
    QByteArray previous(rowSize, '\0');
    for (int y = 0; y < image.height(); ++y) {
        const QByteArray row(reinterpret_cast<const char*>(rgba.constScanLine(y)), rowSize);
        raw.append(char(filter));
        for (int i = 0; i < rowSize; ++i) {
            const int a = i >= bpp ? uchar(row[i - bpp]) : 0;
            const int b = uchar(previous[i]);
            const int c = i >= bpp ? uchar(previous[i - bpp]) : 0;
            int predictor = 0;
            if (filter == 1)
                predictor = a;
            else if (filter == 2)
                predictor = b;
            else if (filter == 3)
                predictor = (a + b) / 2;
            else if (filter == 4) {
                const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                          pc = std::abs(p - c);
                predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            }
            raw.append(char(uchar(row[i]) - predictor));
        }
        previous = row;
    }
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(quint32(image.width()), header.data());
    qToBigEndian<quint32>(quint32(image.height()), header.data() + 4);
    header[8] = 8;
    header[9] = alpha ? 6 : 2;
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    if (!extraType.isEmpty())
        appendChunk(png, extraType.constData(), extraData);
    const QByteArray stream = zlib(raw);
    // Split the data over two chunks, as encoders do for large images.
    appendChunk(png, "IDAT", stream.left(stream.size() / 2));
    appendChunk(png, "IDAT", stream.mid(stream.size() / 2));
    appendChunk(png, "IEND", {});
    return png;
}

void expectSameAsQt(const QByteArray& png, const char* what) {
    const std::optional<QImage> fast = FastPng::decode(png);
    ASSERT_TRUE(fast) << what;
    const QImage qt = QImage::fromData(png, "PNG");
    ASSERT_FALSE(qt.isNull()) << what;
    EXPECT_EQ(fast->format(), qt.format()) << what;
    EXPECT_EQ(fast->size(), qt.size()) << what;
    EXPECT_TRUE(*fast == qt) << what << ": the pixels differ";
    EXPECT_EQ(fast->dotsPerMeterX(), qt.dotsPerMeterX()) << what;
    EXPECT_EQ(fast->dotsPerMeterY(), qt.dotsPerMeterY()) << what;
}

TEST(FastPngDecode, GivesQtsPixelsForEveryFilterAndEncoder) {
    for (const bool alpha : {false, true}) {
        const QImage image = picture(173, 61, alpha);
        for (int filter = 0; filter <= 4; ++filter)
            expectSameAsQt(filteredPng(image, filter), (std::string(alpha ? "RGBA" : "RGB") +
                                                        " filter " + std::to_string(filter))
                                                           .c_str());
        for (const int quality : {0, 50, 100})
            expectSameAsQt(qtPng(image, quality), alpha ? "Qt RGBA" : "Qt RGB");
        expectSameAsQt(FastPng::encode(image), alpha ? "fast RGBA" : "fast RGB");
    }
    // Text and resolution chunks do not change the pixels.
    expectSameAsQt(filteredPng(picture(40, 30, false), 4, "tEXt", "Comment\0shot"),
                   "with a text chunk");
}

TEST(FastPngDecode, LeavesEverythingElseToTheGeneralDecoder) {
    const QImage image = picture(32, 20, false);
    const QByteArray plain = filteredPng(image, 1);
    ASSERT_TRUE(FastPng::decode(plain));

    QByteArray interlaced = plain;
    interlaced[8 + 8 + 12] = 1; // IHDR interlace byte, CRC now wrong too
    QByteArray sixteenBit = filteredPng(image, 0);
    sixteenBit[8 + 8 + 8] = 16;
    QByteArray damagedCrc = plain;
    damagedCrc[8 + 8 + 13] ^= 0x55;
    QByteArray badFilter = filteredPng(image, 0);
    const struct {
        const char* what;
        QByteArray png;
    } cases[] = {
        {"not a PNG", QByteArray("GIF89a")},
        {"truncated", plain.left(plain.size() - 20)},
        {"interlaced", interlaced},
        {"16-bit", sixteenBit},
        {"damaged header CRC", damagedCrc},
        {"transparency key", filteredPng(image, 0, "tRNS", QByteArray(6, '\0'))},
        {"colour profile", filteredPng(image, 0, "iCCP", QByteArray("p\0\0", 3))},
        {"gamma", filteredPng(image, 0, "gAMA", QByteArray("\0\0\xb1\x8f", 4))},
        {"unknown critical chunk", filteredPng(image, 0, "ABCD", "x")},
        {"palette image", qtPng(image.convertToFormat(QImage::Format_Indexed8), 50)},
        {"grey image", qtPng(image.convertToFormat(QImage::Format_Grayscale8), 50)},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(FastPng::decode(c.png)) << c.what;
    // A filter byte outside 0–4.
    QImage tiny(1, 1, QImage::Format_RGB32);
    tiny.fill(Qt::red);
    QByteArray header(13, '\0');
    qToBigEndian<quint32>(1, header.data());
    qToBigEndian<quint32>(1, header.data() + 4);
    header[8] = 8;
    header[9] = 2;
    badFilter = QByteArray("\x89PNG\r\n\x1a\n", 8);
    appendChunk(badFilter, "IHDR", header);
    appendChunk(badFilter, "IDAT", zlib(QByteArray("\x05\x01\x02\x03", 4)));
    appendChunk(badFilter, "IEND", {});
    EXPECT_FALSE(FastPng::decode(badFilter));
}

TEST(FastPngDecode, PixelsForDrawingMatchTheStoredImage) {
    for (const QByteArray& png :
         {qtPng(picture(90, 50, false), 50), qtPng(picture(90, 50, true), 50),
          qtPng(picture(90, 50, false).convertToFormat(QImage::Format_Indexed8), 50)}) {
        const QImage general = ImageFiles::image(png);
        const QImage drawn = ImageFiles::pixels(png);
        EXPECT_EQ(drawn.format(), general.format());
        EXPECT_TRUE(drawn == general);
    }
    EXPECT_THROW(ImageFiles::pixels(QByteArray("\x89PNG\r\n\x1a\nbroken", 14)), LumbexError);
}

} // namespace
} // namespace lumbex
