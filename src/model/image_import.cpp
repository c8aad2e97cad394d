#include "model/image_import.h"

#include "core/file_names.h"
#include "model/image_files.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>

namespace lumbex {

Id appendImage(NotePackageContents& contents, const QByteArray& data, const QString& name) {
    const QByteArray png = ImageFiles::normalized(data);
    QBuffer buffer;
    buffer.setData(png);
    return appendStoredPng(contents, png, QImageReader(&buffer, "png").size(), name);
}

QString importedImageName(const QString& path) {
    return displayFileName(QFileInfo(path).completeBaseName());
}

Id appendStoredPng(NotePackageContents& contents, const QByteArray& png, QSize size,
                   const QString& name) {
    Media media;
    media.id = newId();
    media.name = name;
    media.width = size.width();
    media.height = size.height();
    media.sha256 = ImageFiles::hash(png);
    media.role = contents.note.media.empty() ? MediaRole::Current : MediaRole::After;
    media.includeInRequest = false;
    contents.note.media.push_back(media);
    contents.originals.emplace(media.id, png);
    return media.id;
}

} // namespace lumbex
