#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace lumbex {

// How many leading bytes decide a format.
constexpr qsizetype kImageSignatureLength = 12;

// The raster format whose signature (magic number) the bytes start with, as Qt names its decoder:
// "png", "jpeg", "gif", "bmp", and "webp" and "tiff" when Qt's plugins for them are installed.
// Empty for anything else, a file name never being asked: formats that can reference other files
// or hold images of other sizes (SVG, ICO) and text formats (XPM, XBM, PBM) are never decoded.
QByteArray imageSignatureFormat(QByteArrayView start);

} // namespace lumbex
