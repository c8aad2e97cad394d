#include "core/error.h"
#include "model/image_files.h"
#include "model/image_signature.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace {

using namespace lumbex;

// An image that came out of untrusted bytes: they must carry an allowed signature, and the image
// must be within the limits.
void checkDecoded(const QImage& image, const QByteArray& bytes) {
    if (imageSignatureFormat(bytes).isEmpty())
        throw std::logic_error("bytes with no allowed signature were decoded");
    if (image.width() > 32768 || image.height() > 32768 ||
        double(image.width()) * image.height() > 120'000'000)
        throw std::logic_error("a decoded image exceeds the limits");
}

// The bytes as a file, the way a user's image arrives: reading gives the whole file, or no more
// than its first bytes when they carry no allowed signature.
void readAsFile(const QByteArray& bytes) {
    static const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("input"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("the input could not be written to a file");
    file.close();
    try {
        const QByteArray read = ImageFiles::readImageFile(path);
        if (read != bytes && (read.size() > kImageSignatureLength || !bytes.startsWith(read)))
            throw std::logic_error("reading the file gave other bytes");
    } catch (const LumbexError&) {
        // Refused with a message.
    }
}

} // namespace

// Untrusted image bytes must either give an image within the limits, from a format the
// allow-list names, or be refused with a LumbexError. Any other exception, a crash, a hang or a
// sanitizer report is a finding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Not copied, so that AddressSanitizer sees any read past the input's end.
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        checkDecoded(ImageFiles::image(bytes), bytes);
    } catch (const LumbexError&) {
        // Refused with a message: the expected outcome for malformed input.
    }
    try {
        checkDecoded(QImage::fromData(ImageFiles::normalized(bytes), "png"), bytes);
    } catch (const LumbexError&) {
    }
    readAsFile(bytes);
    return 0;
}
