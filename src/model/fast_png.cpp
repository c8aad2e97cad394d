#include "model/fast_png.h"

#include "core/error.h"

#include <algorithm>
#include <libdeflate.h>
#include <memory>

namespace lumbex::FastPng {
namespace {

constexpr int compressionLevel = 1;
constexpr char noFilter = 0;
constexpr char colourTypeRgb = 2;
constexpr char colourTypeRgba = 6;

void appendBigEndian(QByteArray& bytes, quint32 value) {
    const char word[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    bytes.append(word, 4);
}

// Length, type, data and the CRC of type and data.
void appendChunk(QByteArray& png, const char (&type)[5], const QByteArray& data) {
    appendBigEndian(png, quint32(data.size()));
    const qsizetype typeStart = png.size();
    png.append(type, 4);
    png.append(data);
    appendBigEndian(png, quint32(libdeflate_crc32(0, png.constData() + typeStart,
                                                  size_t(png.size() - typeStart))));
}

bool isOpaque(const QImage& image) {
    if (!image.hasAlphaChannel())
        return true;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        if (!std::all_of(line, line + argb.width(),
                         [](QRgb pixel) { return qAlpha(pixel) == 255; }))
            return false;
    }
    return true;
}

// Every row as the PNG filter byte "none" followed by the row's bytes.
QByteArray unfilteredRows(const QImage& pixels) {
    const qsizetype rowBytes = qsizetype(pixels.width()) * (pixels.depth() / 8);
    QByteArray rows(pixels.height() * (rowBytes + 1), Qt::Uninitialized);
    char* out = rows.data();
    for (int y = 0; y < pixels.height(); ++y) {
        *out++ = noFilter;
        out = std::copy_n(reinterpret_cast<const char*>(pixels.constScanLine(y)), rowBytes, out);
    }
    return rows;
}

QByteArray zlibStream(const QByteArray& rows) {
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(compressionLevel), libdeflate_free_compressor);
    if (!compressor)
        throw LumbexError(QStringLiteral("The image could not be encoded."));
    QByteArray stream(
        qsizetype(libdeflate_zlib_compress_bound(compressor.get(), size_t(rows.size()))),
        Qt::Uninitialized);
    const size_t size =
        libdeflate_zlib_compress(compressor.get(), rows.constData(), size_t(rows.size()),
                                 stream.data(), size_t(stream.size()));
    if (size == 0)
        throw LumbexError(QStringLiteral("The image could not be encoded."));
    stream.truncate(qsizetype(size));
    return stream;
}

} // namespace

QByteArray encode(const QImage& image) {
    if (image.isNull())
        throw LumbexError(QStringLiteral("The image could not be encoded."));
    const bool opaque = isOpaque(image);
    const QImage pixels =
        image.convertToFormat(opaque ? QImage::Format_RGB888 : QImage::Format_RGBA8888);

    QByteArray header;
    appendBigEndian(header, quint32(pixels.width()));
    appendBigEndian(header, quint32(pixels.height()));
    // Bit depth 8, colour type, deflate compression, adaptive filtering method, no interlace.
    const char format[5] = {8, opaque ? colourTypeRgb : colourTypeRgba, 0, 0, 0};
    header.append(format, 5);

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlibStream(unfilteredRows(pixels)));
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace lumbex::FastPng
