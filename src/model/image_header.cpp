#include "model/image_header.h"

#include <QIODevice>
#include <QImageReader>
#include <algorithm>
#include <exception>

namespace lumbex {
namespace {

// Metadata ahead of a JPEG's frame header (EXIF with its thumbnail, colour profiles, XMP,
// editing history) runs to a few hundred KB in real photos; a header needing more is refused.
constexpr qint64 kHeaderReadLimit = 16 << 20;

// The image's bytes as a random-access device that fetches only what a decoder asks for and
// delivers no more than kHeaderReadLimit in all. Read failures are kept for the caller: they
// must not be thrown through a C decoder.
class HeaderDevice final : public QIODevice {
public:
    HeaderDevice(qint64 size, const ImageBytes& bytes) : size_(size), bytes_(bytes) {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return false; }
    qint64 size() const override { return size_; }

    void rethrowReadFailure() const {
        if (failure_)
            std::rethrow_exception(failure_);
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const qint64 allowed = qMin(maxSize, kHeaderReadLimit - delivered_);
        if (allowed <= 0 || failure_)
            return -1;
        try {
            const QByteArray read = bytes_(pos(), allowed);
            std::copy(read.begin(), read.end(), data);
            delivered_ += read.size();
            return read.size();
        } catch (...) {
            failure_ = std::current_exception();
            return -1;
        }
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 size_;
    const ImageBytes& bytes_;
    qint64 delivered_ = 0;
    std::exception_ptr failure_;
};

quint32 littleEndian(const QByteArray& bytes, qsizetype at, int count) {
    quint32 value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | quint8(bytes[at + i]);
    return value;
}

// Qt decodes a GIF onto its logical screen but reports the first frame's size when the screen
// is ten times wider or taller than the frame, so a 16000 × 16000 screen passes as a small
// frame. The screen is the size, and the first frame must lie within it.
std::optional<ImageHeader> gifHeader(QIODevice& device) {
    const QByteArray screen = device.read(13);
    if (screen.size() < 13)
        return std::nullopt;
    const QSize size(int(littleEndian(screen, 6, 2)), int(littleEndian(screen, 8, 2)));
    const quint8 flags = quint8(screen[10]);
    if (flags & 0x80)
        device.seek(device.pos() + (3 << ((flags & 7) + 1))); // the global colour table
    char introducer = 0;
    while (device.pos() < kHeaderReadLimit && device.getChar(&introducer)) {
        if (introducer == ',') {
            const QByteArray frame = device.read(9);
            if (frame.size() < 9)
                return std::nullopt;
            const QRect bounds(int(littleEndian(frame, 0, 2)), int(littleEndian(frame, 2, 2)),
                               int(littleEndian(frame, 4, 2)), int(littleEndian(frame, 6, 2)));
            if (bounds.isEmpty() || !QRect(QPoint(), size).contains(bounds))
                return std::nullopt;
            return ImageHeader{size, QImage::Format_ARGB32};
        }
        char label = 0;
        if (introducer != '!' || !device.getChar(&label))
            return std::nullopt;
        char length = 0; // an extension's data sub-blocks, ended by one of length 0
        while (device.pos() < kHeaderReadLimit && device.getChar(&length) && length != 0)
            device.seek(device.pos() + quint8(length));
        if (length != 0)
            return std::nullopt;
    }
    return std::nullopt;
}

// Qt reads a whole animated WebP to learn its size; the first chunk says it: the canvas of an
// extended file (every frame lies within it) or the size of a single lossy or lossless image.
std::optional<ImageHeader> webpHeader(QIODevice& device) {
    const QByteArray header = device.read(30);
    if (header.size() < 30)
        return std::nullopt;
    const QByteArrayView chunk = QByteArrayView(header).sliced(12, 4);
    QSize size;
    if (chunk == "VP8X") {
        size = QSize(int(littleEndian(header, 24, 3)) + 1, int(littleEndian(header, 27, 3)) + 1);
    } else if (chunk == "VP8L" && header[20] == '\x2f') {
        const quint32 bits = littleEndian(header, 21, 4);
        size = QSize(int(bits & 0x3fff) + 1, int(bits >> 14 & 0x3fff) + 1);
    } else if (chunk == "VP8 " && QByteArrayView(header).sliced(23, 3) == "\x9d\x01\x2a") {
        size = QSize(int(littleEndian(header, 26, 2) & 0x3fff),
                     int(littleEndian(header, 28, 2) & 0x3fff));
    } else {
        return std::nullopt;
    }
    return ImageHeader{size, QImage::Format_ARGB32};
}

// The decoder of the format reads its own header: what it reports is what it will allocate.
std::optional<ImageHeader> decoderHeader(QIODevice& device, const QByteArray& format) {
    QImageReader reader(&device, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid())
        return std::nullopt;
    const QImage::Format pixels = reader.imageFormat();
    return ImageHeader{size, pixels == QImage::Format_Invalid ? QImage::Format_ARGB32 : pixels};
}

} // namespace

std::optional<ImageHeader> readImageHeader(const QByteArray& format, qint64 size,
                                           const ImageBytes& bytes) {
    HeaderDevice device(size, bytes);
    const std::optional<ImageHeader> header = format == "gif"    ? gifHeader(device)
                                              : format == "webp" ? webpHeader(device)
                                                                 : decoderHeader(device, format);
    device.rethrowReadFailure();
    return header;
}

} // namespace lumbex
