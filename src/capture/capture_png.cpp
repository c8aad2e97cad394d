#include "capture/capture_png.h"

#include "core/error.h"

#include <QtEndian>
#include <libdeflate.h>
#include <memory>
#include <vector>

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

// Rows of R, G, B (and A) bytes, each preceded by filter type 2 ("Up": the difference to the
// byte above). `image` is RGB32 or straight ARGB32.
std::vector<uchar> upFilteredRows(const QImage& image, int channels) {
    const size_t stride = size_t(image.width()) * channels;
    std::vector<uchar> rows((stride + 1) * size_t(image.height()));
    std::vector<uchar> previous(stride, 0), current(stride);
    for (int y = 0; y < image.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uchar* out = current.data();
        for (int x = 0; x < image.width(); ++x) {
            *out++ = uchar(qRed(pixels[x]));
            *out++ = uchar(qGreen(pixels[x]));
            *out++ = uchar(qBlue(pixels[x]));
            if (channels == 4)
                *out++ = uchar(qAlpha(pixels[x]));
        }
        uchar* row = rows.data() + size_t(y) * (stride + 1);
        row[0] = 2;
        for (size_t i = 0; i < stride; ++i)
            row[i + 1] = uchar(current[i] - previous[i]);
        previous.swap(current);
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
    const std::vector<uchar> rows = upFilteredRows(image, channels);

    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(kLevel), libdeflate_free_compressor);
    if (!compressor)
        throw LumbexError(QStringLiteral("The image could not be encoded."));
    QByteArray compressed(qsizetype(libdeflate_zlib_compress_bound(compressor.get(), rows.size())),
                          '\0');
    const size_t size = libdeflate_zlib_compress(compressor.get(), rows.data(), rows.size(),
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
