#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace lumbex {
class FolderHandle;
}

namespace lumbex::ImageFiles {

// Every path through which pixels enter or leave a note. Each side 1 to 32768 pixels, at most
// 120,000,000 pixels. Only raster formats are decoded, chosen by the bytes' own signature, never
// by a file name: PNG, JPEG, GIF (its first frame), BMP, and WebP and TIFF when Qt's plugins
// for them are installed. The size is read from the header before any pixel is decoded, and
// bytes beyond what an image of that size can need are refused.

// Reads an image file from disk: a regular file (never through a symbolic link) whose header is
// read first, so that an image over the limits, or a file larger than its image needs ("“x.png”
// is larger than its image needs. Choose the original image file."), is refused before the rest
// is read. A file that starts with no accepted signature is not read further: its first bytes
// are returned, which every operation below refuses with its own message. Throws LumbexError
// naming the file.
QByteArray readImageFile(const QString& path);
// The same for the file `name` inside an open folder.
QByteArray readImageFile(const FolderHandle& folder, const QString& name);
// Decodes image bytes as stored (an orientation tag is not applied). Throws "The image could not
// be read, or exceeds 120 megapixels."
QImage image(const QByteArray& data);
// The stored original of an imported image: full resolution, orientation tag applied, PNG.
// Throws "Choose a readable image file." for bytes with no accepted image signature.
QByteArray normalized(const QByteArray& data);
// PNG (jpeg false) or JPEG at quality 94; JPEG has no alpha, so transparency becomes white.
QByteArray encode(const QImage& image, bool jpeg);
// SHA-256, 64 lower-case hexadecimal characters.
QString hash(QByteArrayView data);
// Writes already-encoded PNG bytes as "<base>/<new UUID>/<title>.png" and returns that path.
// The base is `directory`, or the Exports folder beside the notes library. Nothing is written
// unless `data` passes `image`; a failed write removes the new folder and reports the system's
// error.
QString prepareExport(const QByteArray& data, const QString& title,
                      const std::optional<QString>& directory);

} // namespace lumbex::ImageFiles
