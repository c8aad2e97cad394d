#include "capture/capture_png.h"

#include "core/error.h"

#include <QtEndian>
#include <cstring>
#include <libdeflate.h>
#include <memory>

namespace lumbex {
namespace {

constexpr int kLevel = 4;

bool isOpaque(const QImage& image) {
    if (!image.hasAlphaChannel())
        return true;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 255)
                return false;
    }
    return true;
}

// Rows of R, G, B (and A) bytes, each preceded by its filter type. Screens compress better
// unfiltered than "Up"-filtered (text and window edges repeat along a row and from row to row,
// both within deflate's reach, while differences to the row above scramble them). Photographs
// and soft gradients do not repeat along a row, and there "Up" is a fifth smaller; a row that
// repeats the one above becomes zeros that cost nearly nothing. `image` is RGB32 or straight
// ARGB32.
struct Rows {
    std::unique_ptr<uchar[]> bytes; // left uninitialised: every byte is written once
    size_t size = 0;
};

// Screen-like: at least half of the pixels repeat their left neighbour.
bool repeatsAlong(const QRgb* pixels, int width, QRgb significant) {
    int repeats = 0;
    for (int x = 1; x < width; ++x)
        repeats += ((pixels[x] ^ pixels[x - 1]) & significant) == 0;
    return 2 * repeats >= width - 1;
}

void storeBytes(const QRgb* pixels, int width, int channels, uchar* out) {
    if (channels == 4) {
        for (int x = 0; x < width; ++x, out += 4) {
            out[0] = uchar(qRed(pixels[x]));
            out[1] = uchar(qGreen(pixels[x]));
            out[2] = uchar(qBlue(pixels[x]));
            out[3] = uchar(qAlpha(pixels[x]));
        }
    } else {
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = uchar(qRed(pixels[x]));
            out[1] = uchar(qGreen(pixels[x]));
            out[2] = uchar(qBlue(pixels[x]));
        }
    }
}

Rows filteredRows(const QImage& image, int channels) {
    const int width = image.width();
    const int height = image.height();
    const size_t stride = size_t(width) * channels;
    const QRgb significant = channels == 4 ? 0xffffffff : 0x00ffffff;
    Rows rows{std::unique_ptr<uchar[]>(new uchar[(stride + 1) * size_t(height)]),
              (stride + 1) * size_t(height)};
    // The unfiltered bytes of this row and the one above: "Up" is their difference.
    std::unique_ptr<uchar[]> current(new uchar[stride]), previous(new uchar[stride]);
    for (int y = 0; y < height; ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = rows.bytes.get() + size_t(y) * (stride + 1);
        storeBytes(pixels, width, channels, current.get());
        if (y > 0 && std::memcmp(current.get(), previous.get(), stride) == 0) {
            *out = 2;
            std::memset(out + 1, 0, stride);
        } else if (y > 0 && !repeatsAlong(pixels, width, significant)) {
            *out++ = 2;
            for (size_t i = 0; i < stride; ++i)
                out[i] = uchar(current[i] - previous[i]);
        } else {
            *out = 0;
            std::memcpy(out + 1, current.get(), stride);
        }
        current.swap(previous);
    }
    return rows;
}

void appendChunk(QByteArray& png, const char type[4], const QByteArray& data) {
    QByteArray typed = QByteArray(type, 4) + data;
    uchar length[4], crc[4];
    qToBigEndian(quint32(data.size()), length);
    qToBigEndian(quint32(libdeflate_crc32(0, typed.constData(), size_t(typed.size()))), crc);
    png.append(reinterpret_cast<const char*>(length), 4);
    png.append(typed);
    png.append(reinterpret_cast<const char*>(crc), 4);
}

QByteArray header(const QImage& image, int channels) {
    QByteArray data(13, '\0');
    qToBigEndian(quint32(image.width()), data.data());
    qToBigEndian(quint32(image.height()), data.data() + 4);
    data[8] = 8;                     // bits per channel
    data[9] = channels == 4 ? 6 : 2; // RGBA or RGB; compression, filter, interlace all 0
    return data;
}

} // namespace

QByteArray encodeCapturePng(const QImage& source) {
    const bool opaque = isOpaque(source);
    const int channels = opaque ? 3 : 4;
    const QImage image =
        source.convertToFormat(opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    const Rows rows = filteredRows(image, channels);

    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kLevel), libdeflate_free_compressor);
    if (!compressor)
        throw LumbexError(QStringLiteral("The image could not be encoded."));
    QByteArray compressed(qsizetype(libdeflate_zlib_compress_bound(compressor.get(), rows.size)),
                          Qt::Uninitialized);
    const size_t size = libdeflate_zlib_compress(compressor.get(), rows.bytes.get(), rows.size,
                                                 compressed.data(), size_t(compressed.size()));
    if (size == 0)
        throw LumbexError(QStringLiteral("The image could not be encoded."));
    compressed.truncate(qsizetype(size));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header(image, channels));
    appendChunk(png, "sRGB", QByteArray(1, '\0')); // perceptual rendering intent
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace lumbex
