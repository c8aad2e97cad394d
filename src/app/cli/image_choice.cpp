#include "app/cli/image_choice.h"

#include "app/cli/arguments.h"
#include "core/error.h"

namespace lumbex::cli {

const Media& firstImage(const CaptureNote& note) {
    if (note.media.empty())
        throw LumbexError(QStringLiteral("This note has no image."));
    return note.media.front();
}

const Media& imageWithId(const CaptureNote& note, const QString& which) {
    const auto id = parseId(which);
    if (!id)
        throw UsageError(QStringLiteral("an image is named by its id"));
    if (const Media* media = note.image(*id))
        return *media;
    throw LumbexError(QStringLiteral("This note has no image with the id %1.").arg(which));
}

const Media& chooseImage(const CaptureNote& note, const QString& which) {
    bool isIndex = false;
    const qint64 index = which.toLongLong(&isIndex);
    if (isIndex) {
        if (index < 1 || index > qint64(note.media.size()))
            throw LumbexError(QStringLiteral("This note has no image %1; it has %2.")
                                  .arg(which)
                                  .arg(note.media.size()));
        return note.media[size_t(index - 1)];
    }
    if (!parseId(which))
        throw UsageError(QStringLiteral("an image is named by its position from 1 or by its id"));
    return imageWithId(note, which);
}

} // namespace lumbex::cli
