#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <functional>
#include <optional>

namespace lumbex {

// Up to `count` of an image's bytes from `offset`, fewer at the end.
using ImageBytes = std::function<QByteArray(qint64 offset, qint64 count)>;

// What decoding the first image of a file will allocate, known before any pixel is decoded.
struct ImageHeader {
    // The stored size, before any orientation tag is applied.
    QSize size;
    // The pixel format the decoder produces: wider than 32 bits for 16-bit and floating-point
    // PNG and TIFF.
    QImage::Format pixels = QImage::Format_ARGB32;
};

// Reads the header of `size` bytes whose signature says `format` (see imageSignatureFormat),
// fetching only the parts it needs wherever they lie (a TIFF's directory is often at the end),
// 16 MiB at most. No value when the header cannot be read, or when a GIF's first frame does not
// lie within its logical screen.
std::optional<ImageHeader> readImageHeader(const QByteArray& format, qint64 size,
                                           const ImageBytes& bytes);

} // namespace lumbex
