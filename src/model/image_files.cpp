#include "model/image_files.h"

#include "core/error.h"
#include "core/file_names.h"
#include "core/files.h"
#include "core/folder_handle.h"
#include "core/ids.h"
#include "core/sha256.h"
#include "model/app_folders.h"
#include "model/image_header.h"
#include "model/image_signature.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace lumbex::ImageFiles {
namespace {

constexpr int maxSide = 32768;
constexpr double maxPixels = 120'000'000;
constexpr int jpegQuality = 94;
// Qt maps a PNG "quality" to a zlib level ((100 - q) × 9 / 91, so 60 is level 3). Measured on a
// 2880 × 1800 screenshot: 138 ms and 947 KB against the default level's 206 ms and 812 KB, and
// level 9's 1.3 s. A third off every request and export for a sixth more bytes; lower levels
// save little more time and grow files fast.
constexpr int pngQuality = 60;
constexpr qsizetype maxNameLength = 80;

QString unreadableMessage() {
    return QStringLiteral("The image could not be read, or exceeds 120 megapixels.");
}

// Qt 6.4 refuses any decode above 128 MB by default, which rejects valid 120-megapixel images.
// The header check bounds the size; this limit (process-wide, set once) is the second wall,
// for a decoder that allocates more than its header said. It fits the largest allowed image at
// 8 bytes a pixel, what 16-bit PNG and TIFF decode to (RGBA64): 916 MB. Every other allowed
// format decodes to 4 bytes or fewer, except floating-point TIFF (16 bytes a pixel), which this
// limits to 60 megapixels rather than letting any image take 1.8 GB.
void allowLargestImage() {
    static const bool raised = [] {
        constexpr double bytes = maxPixels * 8;
        QImageReader::setAllocationLimit(int(bytes / (1 << 20)) + 1);
        return true;
    }();
    Q_UNUSED(raised);
}

bool withinLimits(QSize size) {
    return size.isValid() && size.width() >= 1 && size.width() <= maxSide && size.height() >= 1 &&
           size.height() <= maxSide && double(size.width()) * double(size.height()) <= maxPixels;
}

// The header of bytes whose signature named `format`, refused unless readable and within the
// limits.
ImageHeader checkedHeader(const QByteArray& format, qint64 size, const ImageBytes& bytes) {
    const std::optional<ImageHeader> header = readImageHeader(format, size, bytes);
    if (!header || !withinLimits(header->size))
        throw LumbexError(unreadableMessage());
    return *header;
}

// The most bytes an honest file of this image takes: its decoded pixels (at least four bytes
// each) twice over, for the worst compression, and a megabyte of metadata. Anything beyond is
// data the image does not need, kept out of memory. GIF and WebP animations and TIFF pages carry
// more images than the first, which is all that is decoded: they may be up to 64 MB larger, the
// size of a long animation.
bool isLargerThanNeeded(qint64 fileSize, const QByteArray& format, const ImageHeader& header) {
    const qint64 bytesPerPixel = qMax(4, QImage::toPixelFormat(header.pixels).bitsPerPixel() / 8);
    const bool severalImages = format == "gif" || format == "webp" || format == "tiff";
    return fileSize > 2 * qint64(header.size.width()) * header.size.height() * bytesPerPixel +
                          (1 << 20) + (severalImages ? 64 << 20 : 0);
}

ImageBytes inMemory(const QByteArray& data) {
    return [&data](qint64 offset, qint64 count) { return data.mid(offset, count); };
}

// Decodes the first image with the decoder the signature names, after checking the header. A
// null result means the pixels were decoded but applying the orientation failed.
QImage decode(const QByteArray& data, bool applyOrientation) {
    allowLargestImage();
    const QByteArray format = imageSignatureFormat(data);
    if (format.isEmpty())
        throw LumbexError(unreadableMessage());
    const ImageHeader header = checkedHeader(format, data.size(), inMemory(data));
    if (isLargerThanNeeded(data.size(), format, header))
        throw LumbexError(QStringLiteral(
            "The file is larger than its image needs. Choose the original image file."));
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoDetectImageFormat(false);
    reader.setDecideFormatFromContent(false);
    reader.setAutoTransform(applyOrientation);
    QImage image;
    if (!reader.read(&image))
        throw LumbexError(unreadableMessage());
    const bool asHeaderSaid = image.size() == header.size ||
                              (applyOrientation && image.size() == header.size.transposed());
    if (!image.isNull() && !asHeaderSaid)
        throw LumbexError(unreadableMessage());
    return image;
}

QImage flattenedOntoWhite(const QImage& image) {
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    QPainter painter(&flat);
    painter.drawImage(flat.rect(), image, image.rect());
    return flat;
}

bool isSeparator(QChar c) {
    return c == u'/' || c == u':' || c == u'\\' || c.category() == QChar::Other_Control;
}

QString exportFileName(const QString& title) {
    QString name = title;
    for (QChar& c : name) {
        if (isSeparator(c))
            c = u' ';
    }
    name = name.trimmed();
    if (name.isEmpty())
        return QStringLiteral("Lumbex Image.png");
    qsizetype length = qMin(name.size(), maxNameLength);
    if (length < name.size() && name.at(length).isLowSurrogate())
        --length;
    return name.left(length) + QStringLiteral(".png");
}

// Creates `path` with any missing parents; a failure names the folder it was to be made in.
void createFolder(const QString& path) {
    std::error_code error;
    std::filesystem::create_directories(QFile::encodeName(path).toStdString(), error);
    if (error)
        throw LumbexError(
            QStringLiteral("Could not create a folder in “%1”: %2.")
                .arg(QFileInfo(path).dir().dirName(), QString::fromLocal8Bit(error.message())));
}

// An image whose every pixel is opaque is written without an alpha channel: a quarter less data
// to filter and compress, and a smaller file. Returns a view of the same pixels when it applies.
QImage withoutUnusedAlpha(const QImage& image) {
    const QImage::Format format = image.format();
    if (format != QImage::Format_ARGB32 && format != QImage::Format_ARGB32_Premultiplied)
        return image;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        if (!std::all_of(line, line + image.width(),
                         [](QRgb pixel) { return qAlpha(pixel) == 255; }))
            return image;
    }
    // Opaque premultiplied pixels equal their straight values, which RGB32 stores as they are.
    return QImage(image.constBits(), image.width(), image.height(), image.bytesPerLine(),
                  QImage::Format_RGB32);
}

} // namespace

namespace {

// Reads the header first and refuses a file larger than its image needs before the rest is read.
QByteArray readCheckedImage(const InputFile& file, const QString& name) {
    const QByteArray start = file.head(kImageSignatureLength);
    const QByteArray format = imageSignatureFormat(start);
    if (format.isEmpty())
        return start;
    const ImageHeader header =
        checkedHeader(format, file.size(),
                      [&file](qint64 offset, qint64 count) { return file.read(offset, count); });
    if (isLargerThanNeeded(file.size(), format, header))
        throw LumbexError(
            QStringLiteral("“%1” is larger than its image needs. Choose the original image file.")
                .arg(displayFileName(QFileInfo(name).fileName())));
    return file.readAll(file.size());
}

} // namespace

QByteArray readImageFile(const QString& path) {
    return readCheckedImage(InputFile(path), path);
}

QByteArray readImageFile(const FolderHandle& folder, const QString& name) {
    return readCheckedImage(InputFile(folder.descriptor(), name), name);
}

QImage image(const QByteArray& data) {
    return decode(data, false);
}

QByteArray normalized(const QByteArray& data) {
    if (imageSignatureFormat(data).isEmpty())
        throw LumbexError(QStringLiteral("Choose a readable image file."));
    const QImage upright = decode(data, true);
    if (upright.isNull())
        throw LumbexError(QStringLiteral("The image orientation could not be read."));
    // Stored originals are 8 bits per channel, with alpha only when the file has it.
    return encode(upright.convertToFormat(upright.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                    : QImage::Format_RGB32),
                  false);
}

QByteArray encode(const QImage& image, bool jpeg) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, jpeg ? QByteArrayLiteral("jpeg") : QByteArrayLiteral("png"));
    if (!writer.canWrite())
        throw LumbexError(QStringLiteral("The image could not be encoded."));
    writer.setQuality(jpeg ? jpegQuality : pngQuality);
    const bool written = jpeg && image.hasAlphaChannel() ? writer.write(flattenedOntoWhite(image))
                                                         : writer.write(withoutUnusedAlpha(image));
    if (!written)
        throw LumbexError(QStringLiteral("The image could not be written."));
    return bytes;
}

QString hash(QByteArrayView data) {
    return sha256Hex(data);
}

QString prepareExport(const QByteArray& data, const QString& title,
                      const std::optional<QString>& directory) {
    image(data);
    const QString base = directory ? *directory : exportsFolder();
    const QString folder = QDir::cleanPath(QDir(base).absoluteFilePath(idString(newId())));
    createFolder(folder);
    const QString path = folder + u'/' + exportFileName(title);
    try {
        writeFileAtomically(path, data);
    } catch (...) {
        removePath(folder);
        throw;
    }
    return path;
}

} // namespace lumbex::ImageFiles
