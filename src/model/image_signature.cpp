#include "model/image_signature.h"

#include <QImageReader>
#include <algorithm>
#include <array>
#include <string_view>

namespace lumbex {
namespace {

using namespace std::string_view_literals;

struct Signature {
    const char* format;
    // The leading bytes; '?' stands for any byte (a RIFF file's length).
    std::string_view magic;
};

bool matches(QByteArrayView start, std::string_view magic) {
    return start.size() >= qsizetype(magic.size()) &&
           std::equal(magic.begin(), magic.end(), start.begin(),
                      [](char expected, char byte) { return expected == '?' || expected == byte; });
}

bool hasDecoder(const char* format) {
    static const QList<QByteArray> installed = QImageReader::supportedImageFormats();
    return installed.contains(format);
}

} // namespace

QByteArray imageSignatureFormat(QByteArrayView start) {
    static constexpr std::array signatures = {
        Signature{"png", "\x89PNG\r\n\x1a\n"sv},
        Signature{"jpeg", "\xff\xd8\xff"sv},
        Signature{"gif", "GIF87a"sv},
        Signature{"gif", "GIF89a"sv},
        Signature{"bmp", "BM"sv},
        Signature{"webp", "RIFF????WEBP"sv},
        Signature{"tiff", "II*\0"sv},
        Signature{"tiff", "MM\0*"sv},
    };
    for (const Signature& signature : signatures)
        if (matches(start, signature.magic) && hasDecoder(signature.format))
            return signature.format;
    return {};
}

} // namespace lumbex
