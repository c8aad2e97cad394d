#include "library/library_thumbnail.h"

#include "canvas/rendering.h"
#include "core/error.h"
#include "core/files.h"
#include "core/sha256.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/note_coding.h"
#include "model/note_package.h"
#include "model/note_validation.h"

#include <QDir>

namespace lumbex {
namespace {

QString keyOf(const Media& media, const std::vector<Mark>& marks, const MarkNumbers& numbers) {
    JsonWriter out(JsonWriter::Style::Compact);
    out.beginObject();
    out.key("marks");
    out.array(marks, [&](const Mark& mark) { writeMark(out, mark); });
    out.key("media");
    writeMedia(out, media);
    out.key("numbers");
    out.array(marks, [&](const Mark& mark) {
        const auto number = numbers.find(mark.id);
        if (number == numbers.end())
            out.null();
        else
            out.value(number->second);
    });
    out.endObject();
    return sha256Hex(out.take());
}

const Media* shownImage(const CaptureNote& note) {
    for (const Media& media : note.media)
        if (media.role == MediaRole::Current)
            return &media;
    return note.media.empty() ? nullptr : &note.media.front();
}

} // namespace

std::optional<LibraryThumbnail> LibraryThumbnail::make(const CaptureNote& note) {
    const Media* media = shownImage(note);
    if (!media)
        return std::nullopt;
    try {
        validate(note);
        validateFrame(note, *media);
    } catch (const LumbexError&) {
        return std::nullopt;
    }
    LibraryThumbnail thumbnail{*media, note.marksOn(media->id), {}, {}};
    thumbnail.numbers = note.numbers(thumbnail.marks);
    thumbnail.key = keyOf(thumbnail.media, thumbnail.marks, thumbnail.numbers);
    return thumbnail;
}

QImage LibraryThumbnail::render(const QByteArray& original) const {
    if (ImageFiles::hash(original) != media.sha256)
        throw LumbexError(QStringLiteral("The preview source has changed."));
    const QImage image = ImageFiles::image(original);
    if (image.width() != media.width || image.height() != media.height)
        throw LumbexError(QStringLiteral("The preview source size does not match this note."));
    return Rendering::render(image, media, marks, numbers, false, std::nullopt, kPreviewSize);
}

QImage LibraryThumbnail::render(const QString& package,
                                const std::optional<QByteArray>& original) const {
    if (original)
        return render(*original);
    QByteArray bytes;
    try {
        const InputFile file(
            QDir(package).filePath(PackageLayout::assets + u'/' + media.filename()));
        if (file.size() < 1 || file.size() > kMaxOriginalBytes)
            throw LumbexError(QString());
        bytes = file.readAll(kMaxOriginalBytes);
    } catch (const LumbexError&) {
        throw LumbexError(QStringLiteral("The preview source cannot be read."));
    }
    return render(bytes);
}

} // namespace lumbex
