#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QRect>
#include <QString>
#include <QtEndian>
#include <vector>

// Image files built byte by byte, so that their headers can say what a hostile file says. Shared
// by the tests and the fuzz corpus.
namespace lumbex::test {

template <typename T> QByteArray bigEndian(T value) {
    QByteArray bytes(sizeof(T), Qt::Uninitialized);
    qToBigEndian(value, bytes.data());
    return bytes;
}

inline QByteArray pngChunk(const char* type, const QByteArray& data) {
    const QByteArray typed = QByteArray(type, 4) + data;
    quint32 crc = 0xFFFFFFFF;
    for (const char byte : typed) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return bigEndian(quint32(data.size())) + typed + bigEndian(~crc);
}

// A PNG built by hand, so that its header can claim any size. With `pixels` the data stream is
// complete (all rows black); without, it is empty. Colour type 2 is RGB, 0 is grey.
inline QByteArray craftedPng(quint32 width, quint32 height, bool rgb, bool pixels = true) {
    QByteArray header = bigEndian(width) + bigEndian(height);
    header.append(char(8)).append(char(rgb ? 2 : 0)).append(3, '\0'); // 8 bits, no interlacing
    QByteArray data;
    if (pixels) {
        const QByteArray rows(qint64(height) * (1 + qint64(width) * (rgb ? 3 : 1)), '\0');
        data = qCompress(rows, 1).mid(4); // qCompress prefixes the zlib stream with its length
    }
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) + pngChunk("IDAT", data) +
           pngChunk("IEND", {});
}

inline QByteArray littleEndian16(quint32 value) {
    QByteArray bytes(2, Qt::Uninitialized);
    qToLittleEndian(quint16(value), bytes.data());
    return bytes;
}

inline QByteArray littleEndian32(quint32 value) {
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// `image` as Qt's encoder for `format` writes it.
inline QByteArray encodedImage(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.write(image);
    return bytes;
}

// One image of a GIF: where it lies on the logical screen, and the colour index filling it (0
// red, 1 blue), or no pixel data at all.
struct GifFrame {
    QRect bounds;
    int colour = -1;
};

// The LZW data of a GIF frame with the minimum code size 2: a clear code before every second
// pixel keeps every code 3 bits long.
inline QByteArray gifPixels(qint64 count, int colour) {
    std::vector<quint32> codes = {4};
    for (qint64 i = 0; i < count; ++i) {
        if (i > 0 && i % 2 == 0)
            codes.push_back(4);
        codes.push_back(quint32(colour));
    }
    codes.push_back(5);
    QByteArray packed;
    quint32 bits = 0;
    int held = 0;
    for (const quint32 code : codes) {
        bits |= code << held;
        for (held += 3; held >= 8; held -= 8, bits >>= 8)
            packed.append(char(bits & 0xff));
    }
    if (held > 0)
        packed.append(char(bits));
    QByteArray blocks(1, '\x02');
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const QByteArray block = packed.mid(at, 255);
        blocks += char(block.size()) + block;
    }
    return blocks + '\0';
}

// A GIF89a with a two-colour table on a logical screen of `screen`.
inline QByteArray gif(QSize screen, const std::vector<GifFrame>& frames) {
    QByteArray bytes = "GIF89a" + littleEndian16(quint32(screen.width())) +
                       littleEndian16(quint32(screen.height())) + QByteArray("\x80\0\0", 3) +
                       QByteArray("\xff\0\0\0\0\xff", 6);
    for (const GifFrame& frame : frames) {
        const QRect& r = frame.bounds;
        bytes += ',' + littleEndian16(quint32(r.x())) + littleEndian16(quint32(r.y())) +
                 littleEndian16(quint32(r.width())) + littleEndian16(quint32(r.height())) + '\0';
        bytes += frame.colour >= 0 ? gifPixels(qint64(r.width()) * r.height(), frame.colour)
                                   : QByteArray("\x02\x01\x2c\x00", 4); // clear, end
    }
    return bytes + ';';
}

// An icon (type 1) or cursor (type 2) file whose one directory entry says `claimedSide` pixels
// a side (at most 256) but holds `image`, which may be a PNG of any size.
inline QByteArray iconFile(int type, int claimedSide, const QByteArray& image) {
    const char side = char(claimedSide % 256);
    return littleEndian16(0) + littleEndian16(quint32(type)) + littleEndian16(1) + side + side +
           QByteArray(2, '\0') + littleEndian16(1) + littleEndian16(32) +
           littleEndian32(quint32(image.size())) + littleEndian32(22) + image;
}

// A page of a grey TIFF: the size its directory claims and the 8-bit pixels of its one strip,
// which need not match.
struct TiffPage {
    QSize size;
    QByteArray pixels;
};

// A little-endian TIFF, each page's pixels followed by its directory, uncompressed.
inline QByteArray tiff(const std::vector<TiffPage>& pages) {
    QByteArray bytes = QByteArray("II*\0", 4) + littleEndian32(0);
    qsizetype nextLink = 4; // where the offset of the next directory goes
    for (const TiffPage& page : pages) {
        const quint32 strip = quint32(bytes.size());
        bytes += page.pixels;
        if (bytes.size() % 2)
            bytes += '\0';
        bytes.replace(nextLink, 4, littleEndian32(quint32(bytes.size())));
        const auto entry = [](quint32 tag, quint32 type, quint32 value) {
            return littleEndian16(tag) + littleEndian16(type) + littleEndian32(1) +
                   (type == 3 ? littleEndian16(value) + littleEndian16(0) : littleEndian32(value));
        };
        constexpr quint32 shortType = 3, longType = 4;
        bytes += littleEndian16(9) + entry(256, longType, quint32(page.size.width())) +
                 entry(257, longType, quint32(page.size.height())) + entry(258, shortType, 8) +
                 entry(259, shortType, 1) + entry(262, shortType, 1) + entry(273, longType, strip) +
                 entry(277, shortType, 1) + entry(278, longType, quint32(page.size.height())) +
                 entry(279, longType, quint32(page.pixels.size()));
        nextLink = bytes.size();
        bytes += littleEndian32(0);
    }
    return bytes;
}

// The chunks of a simple WebP (a single lossy or lossless image) in an extended file whose
// canvas says `canvas`.
inline QByteArray webpOnCanvas(const QByteArray& webp, QSize canvas) {
    const auto threeBytes = [](int value) { return littleEndian32(quint32(value - 1)).left(3); };
    const QByteArray body = "WEBPVP8X" + littleEndian32(10) + QByteArray(4, '\0') +
                            threeBytes(canvas.width()) + threeBytes(canvas.height()) + webp.mid(12);
    return "RIFF" + littleEndian32(quint32(body.size())) + body;
}

// An SVG that shows the file at `href` (an absolute path).
inline QByteArray svgShowing(const QString& href) {
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" "
                          "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"8\" height=\"8\">"
                          "<image width=\"8\" height=\"8\" xlink:href=\"%1\"/></svg>")
        .arg(href)
        .toUtf8();
}

} // namespace lumbex::test
