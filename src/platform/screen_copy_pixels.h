#pragma once

#include <QImage>
#include <QSize>
#include <cstdint>

namespace lumbex {

// Pixel formats of shared-memory buffers as wl_shm numbers them: the first two are 0 and 1, the
// others DRM fourcc codes. All are 32-bit words in the machine's byte order.
namespace shm_format {
constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 |
           uint32_t(uint8_t(d)) << 24;
}
constexpr uint32_t kArgb8888 = 0;
constexpr uint32_t kXrgb8888 = 1;
constexpr uint32_t kAbgr8888 = fourcc('A', 'B', '2', '4');
constexpr uint32_t kXbgr8888 = fourcc('X', 'B', '2', '4');
} // namespace shm_format

// A shared-memory buffer the compositor copied one output into, in the output's own buffer
// orientation.
struct CopiedBuffer {
    const uchar* data = nullptr;
    uint32_t format = 0;
    QSize size;
    qsizetype stride = 0;
    bool yInverted = false; // the compositor's y_invert flag: the rows run bottom to top
};

// Whether screenCopyPicture reads buffers of this format.
bool screenCopyFormatKnown(uint32_t format);

// The buffer as the output shows it, in Format_RGB32 (opaque: a screen's alpha means nothing):
// rows put in order, then the output's wl_output transform (0…7) applied. A null image for a
// format it does not know or a stride too short for the width.
QImage screenCopyPicture(const CopiedBuffer& buffer, int transform);

} // namespace lumbex
