#pragma once

#include <QByteArray>
#include <QImage>
#include <optional>

namespace lumbex::FastPng {

// A PNG written for speed rather than size: 8-bit RGB (RGBA when the image has a pixel that is
// not opaque), rows unfiltered, compressed with libdeflate's quickest level. About three times
// faster than libpng, whose adaptive row filters alone cost more than this whole encoder; on
// screenshots of text and flat areas the files are no larger. Lossless; pixels only (no colour
// profile is written). Throws "The image could not be encoded." for a null image.
QByteArray encode(const QImage& image);

// The pixels of an 8-bit RGB or RGBA PNG that is not interlaced and carries no palette,
// transparency or colour information, as Qt's decoder gives them (RGB32 or ARGB32), decoded with
// libdeflate in about half the time. None for any other PNG and for damaged data, which the
// general decoder then reads (and reports) as usual.
std::optional<QImage> decode(const QByteArray& png);

} // namespace lumbex::FastPng
