#include "recognition/source_image.h"

#include "canvas/rendering.h"
#include "core/error.h"

namespace lumbex {

QImage sourceImage(const CaptureNote& note, const Media& media, const QByteArray& original,
                   const std::optional<Rect>& selection) {
    const Rect visible = media.visibleRect();
    const Rect area = selection.value_or(visible).roundedOut().intersected(visible);
    if (area.isEmpty())
        throw LumbexError(QStringLiteral("Select an area inside the image to read."));

    Media image = media;
    image.background.reset();
    image.recognition.reset();
    image.crop = area;
    CaptureNote copy = note;
    std::erase_if(copy.marks, [&](const Mark& mark) {
        return mark.kind != MarkKind::Redact || mark.mediaID != media.id;
    });
    copy.notes.clear();
    for (Media& m : copy.media)
        if (m.id == media.id)
            m = image;
    return Rendering::render(copy, image, original, false, std::nullopt);
}

} // namespace lumbex
