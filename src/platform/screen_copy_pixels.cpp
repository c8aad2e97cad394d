#include "platform/screen_copy_pixels.h"

#include <QTransform>
#include <cstring>

namespace lumbex {
namespace {

// Whether the format keeps red in the low byte (the BGR orders) rather than blue.
bool redFirst(uint32_t format) {
    return format == shm_format::kAbgr8888 || format == shm_format::kXbgr8888;
}

void copyRow(const uint32_t* from, uint32_t* to, int width, bool swapRedBlue) {
    if (swapRedBlue) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = from[x];
            to[x] = 0xff000000u | (p & 0x0000ff00u) | (p & 0xffu) << 16 | (p >> 16 & 0xffu);
        }
    } else {
        for (int x = 0; x < width; ++x)
            to[x] = from[x] | 0xff000000u;
    }
}

} // namespace

bool screenCopyFormatKnown(uint32_t format) {
    return format == shm_format::kArgb8888 || format == shm_format::kXrgb8888 ||
           format == shm_format::kAbgr8888 || format == shm_format::kXbgr8888;
}

QImage screenCopyPicture(const CopiedBuffer& buffer, int transform) {
    const QSize size = buffer.size;
    if (!screenCopyFormatKnown(buffer.format) || size.isEmpty() || !buffer.data ||
        buffer.stride < qsizetype(size.width()) * 4 || transform < 0 || transform > 7)
        return {};
    QImage rows(size, QImage::Format_RGB32);
    if (rows.isNull())
        return {};
    const bool swap = redFirst(buffer.format);
    for (int y = 0; y < size.height(); ++y) {
        const int from = buffer.yInverted ? size.height() - 1 - y : y;
        // Rows of an odd stride are not word-aligned: copied first, then converted in place.
        const uchar* row = buffer.data + qsizetype(from) * buffer.stride;
        if (reinterpret_cast<quintptr>(row) % alignof(uint32_t) == 0) {
            copyRow(reinterpret_cast<const uint32_t*>(row),
                    reinterpret_cast<uint32_t*>(rows.scanLine(y)), size.width(), swap);
        } else {
            std::memcpy(rows.scanLine(y), row, size_t(size.width()) * 4);
            auto* line = reinterpret_cast<uint32_t*>(rows.scanLine(y));
            copyRow(line, line, size.width(), swap);
        }
    }
    if (transform == 0)
        return rows;
    // The buffer holds the output's pixels as its device scans them out; the desktop shows them
    // turned by the output's transform, and flipped ones mirrored left to right after that.
    const int degrees = (transform & 3) * 90;
    if (degrees != 0)
        rows = rows.transformed(QTransform().rotate(degrees));
    return transform >= 4 ? rows.mirrored(true, false) : rows;
}

} // namespace lumbex
