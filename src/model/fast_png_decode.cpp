#include "model/fast_png.h"

#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <libdeflate.h>
#include <memory>
#include <new>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace lumbex::FastPng {
namespace {

constexpr char signature[] = "\x89PNG\r\n\x1a\n";

struct Header {
    quint32 width = 0;
    quint32 height = 0;
    int channels = 0;
};

bool is(const char* type, const char* name) {
    return std::memcmp(type, name, 4) == 0;
}

// Chunks whose meaning this decoder leaves to the general one: palettes and transparency change
// the pixels, colour information the image's colour space.
bool needsGeneralDecoder(const char* type) {
    for (const char* name : {"PLTE", "tRNS", "iCCP", "sRGB", "gAMA", "cHRM", "sBIT", "eXIf"})
        if (is(type, name))
            return true;
    // An unknown critical chunk (upper-case first letter) must not be skipped.
    const bool critical = (type[0] & 0x20) == 0;
    return critical && !is(type, "IHDR") && !is(type, "IDAT") && !is(type, "IEND");
}

std::optional<Header> readHeader(const uchar* data, quint32 length) {
    if (length != 13)
        return std::nullopt;
    Header header{qFromBigEndian<quint32>(data), qFromBigEndian<quint32>(data + 4), 0};
    const uchar depth = data[8], colour = data[9];
    // 8 bits per channel, RGB or RGBA, deflate, standard filters, not interlaced.
    if (depth != 8 || (colour != 2 && colour != 6) || data[10] != 0 || data[11] != 0 ||
        data[12] != 0 || header.width == 0 || header.height == 0 ||
        header.width > quint32(1) << 24 || header.height > quint32(1) << 24)
        return std::nullopt;
    header.channels = colour == 2 ? 3 : 4;
    return header;
}

#ifdef __SSE2__
// One pixel of BPP bytes widened to 16-bit lanes.
template <int BPP> __m128i loadPixel(const uchar* at) {
    int bytes = 0;
    std::memcpy(&bytes, at, BPP);
    return _mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), _mm_setzero_si128());
}

template <int BPP> void storePixel(uchar* at, __m128i pixel) {
    const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(pixel, pixel));
    std::memcpy(at, &bytes, BPP);
}

__m128i absolute(__m128i x) {
    return _mm_max_epi16(x, _mm_sub_epi16(_mm_setzero_si128(), x));
}

// A pixel's channels at once: the row depends on the pixel before, so pixels stay in order.
template <int BPP> void paethRow(uchar* row, const uchar* previous, size_t size) {
    const __m128i mask = _mm_set1_epi16(0xff);
    __m128i a = _mm_setzero_si128(), c = _mm_setzero_si128();
    for (size_t i = 0; i < size; i += BPP) {
        const __m128i b = loadPixel<BPP>(previous + i);
        const __m128i x = loadPixel<BPP>(row + i);
        const __m128i pa = absolute(_mm_sub_epi16(b, c));
        const __m128i pb = absolute(_mm_sub_epi16(a, c));
        const __m128i pc = absolute(_mm_sub_epi16(_mm_add_epi16(a, b), _mm_add_epi16(c, c)));
        const __m128i smallest = _mm_min_epi16(pc, _mm_min_epi16(pa, pb));
        const __m128i useA = _mm_cmpeq_epi16(smallest, pa);
        const __m128i useB = _mm_andnot_si128(useA, _mm_cmpeq_epi16(smallest, pb));
        const __m128i useC = _mm_andnot_si128(_mm_or_si128(useA, useB), _mm_set1_epi16(-1));
        const __m128i nearest = _mm_or_si128(
            _mm_or_si128(_mm_and_si128(useA, a), _mm_and_si128(useB, b)), _mm_and_si128(useC, c));
        a = _mm_and_si128(_mm_add_epi16(x, nearest), mask);
        storePixel<BPP>(row + i, a);
        c = b;
    }
}
#else
// The three distances of the Paeth predictor without forming a + b − c itself.
inline uchar paeth(int a, int b, int c) {
    const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
    return uchar(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

template <int BPP> void paethRow(uchar* row, const uchar* previous, size_t size) {
    for (int k = 0; k < BPP; ++k)
        row[k] = uchar(row[k] + previous[k]);
    for (size_t i = BPP; i < size; ++i)
        row[i] = uchar(row[i] + paeth(row[i - BPP], previous[i], previous[i - BPP]));
}
#endif

// Adds the row above, 16 bytes at a time where the vector unit allows.
void upRow(uchar* row, const uchar* previous, size_t size) {
    size_t i = 0;
#ifdef __SSE2__
    for (; i + 16 <= size; i += 16) {
        const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i));
        auto* at = reinterpret_cast<__m128i*>(row + i);
        _mm_storeu_si128(at, _mm_add_epi8(_mm_loadu_si128(at), above));
    }
#endif
    for (; i < size; ++i)
        row[i] = uchar(row[i] + previous[i]);
}

// Undoes one row's filter in place; `previous` is the row above, already undone (zeros for the
// first row). By whole pixels of BPP bytes, so that each channel's running values stay in
// registers: Paeth and Sub rows are most of the decoding time.
template <int BPP> bool unfilter(uchar filter, uchar* row, const uchar* previous, size_t size) {
    switch (filter) {
    case 0:
        return true;
    case 1:
        for (size_t i = BPP; i < size; i += BPP)
            for (int k = 0; k < BPP; ++k)
                row[i + k] = uchar(row[i + k] + row[i + k - BPP]);
        return true;
    case 2:
        upRow(row, previous, size);
        return true;
    case 3:
        for (int k = 0; k < BPP; ++k)
            row[k] = uchar(row[k] + (previous[k] >> 1));
        for (size_t i = BPP; i < size; i += BPP)
            for (int k = 0; k < BPP; ++k)
                row[i + k] = uchar(row[i + k] + ((row[i + k - BPP] + previous[i + k]) >> 1));
        return true;
    case 4:
        paethRow<BPP>(row, previous, size);
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<QImage> decode(const QByteArray& png) {
    const auto* bytes = reinterpret_cast<const uchar*>(png.constData());
    const size_t total = size_t(png.size());
    if (total < 8 || std::memcmp(bytes, signature, 8) != 0)
        return std::nullopt;
    std::optional<Header> header;
    QByteArray stream;
    // The resolution, in pixels per metre, as Qt's decoder takes it from the file.
    std::optional<std::pair<int, int>> resolution;
    bool ended = false;
    for (size_t at = 8; !ended;) {
        if (total - at < 12)
            return std::nullopt;
        const quint32 length = qFromBigEndian<quint32>(bytes + at);
        const char* type = reinterpret_cast<const char*>(bytes + at + 4);
        if (length > total - at - 12)
            return std::nullopt;
        const uchar* data = bytes + at + 8;
        if (needsGeneralDecoder(type))
            return std::nullopt;
        const bool critical = (type[0] & 0x20) == 0;
        // A damaged critical chunk is the general decoder's to report.
        if (critical && libdeflate_crc32(0, bytes + at + 4, length + 4) !=
                            qFromBigEndian<quint32>(data + length))
            return std::nullopt;
        if (is(type, "IHDR")) {
            if (header || !(header = readHeader(data, length)))
                return std::nullopt;
        } else if (is(type, "IDAT")) {
            if (!header)
                return std::nullopt;
            stream.append(reinterpret_cast<const char*>(data), qsizetype(length));
        } else if (is(type, "pHYs") && length == 9 && data[8] == 1) {
            resolution = {int(qFromBigEndian<quint32>(data)),
                          int(qFromBigEndian<quint32>(data + 4))};
        } else if (is(type, "IEND")) {
            ended = true;
        }
        at += size_t(length) + 12;
    }
    if (!header)
        return std::nullopt;

    const int bpp = header->channels;
    const size_t rowSize = size_t(header->width) * size_t(bpp);
    const size_t filtered = (rowSize + 1) * header->height;
    // Kept by each thread between images: a fresh buffer of this size would be mapped and
    // faulted in page by page on every image, which costs more than decoding into it.
    thread_local std::vector<uchar> rows;
    if (rows.size() < filtered) {
        try {
            rows.resize(filtered);
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
    }
    const std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)>
        decompressor(libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!decompressor)
        return std::nullopt;
    size_t produced = 0;
    if (libdeflate_zlib_decompress(decompressor.get(), stream.constData(), size_t(stream.size()),
                                   rows.data(), filtered, &produced) != LIBDEFLATE_SUCCESS ||
        produced != filtered)
        return std::nullopt;

    QImage image(int(header->width), int(header->height),
                 bpp == 3 ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (image.isNull())
        return std::nullopt;
    if (resolution) {
        image.setDotsPerMeterX(resolution->first);
        image.setDotsPerMeterY(resolution->second);
    }
    const std::vector<uchar> zeros(rowSize);
    const uchar* previous = zeros.data();
    for (quint32 y = 0; y < header->height; ++y) {
        uchar* row = rows.data() + size_t(y) * (rowSize + 1);
        if (!(bpp == 3 ? unfilter<3>(row[0], row + 1, previous, rowSize)
                       : unfilter<4>(row[0], row + 1, previous, rowSize)))
            return std::nullopt;
        const uchar* in = row + 1;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        if (bpp == 3)
            for (quint32 x = 0; x < header->width; ++x, in += 3)
                out[x] = qRgb(in[0], in[1], in[2]);
        else
            for (quint32 x = 0; x < header->width; ++x, in += 4)
                out[x] = qRgba(in[0], in[1], in[2], in[3]);
        previous = row + 1;
    }
    return image;
}

} // namespace lumbex::FastPng
