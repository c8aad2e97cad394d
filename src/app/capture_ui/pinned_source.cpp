#include "app/capture_ui/pinned_source.h"

#include "model/image_content.h"

#include <algorithm>

namespace lumbex {

PinnedSource PinnedSource::of(const CaptureNote& note, const Media& media) {
    return {note.id, media.id, lumbex::imageKey(note, media)};
}

bool PinnedSource::matches(const CaptureNote& note) const {
    if (note.id != noteID)
        return false;
    const Media* media = note.image(mediaID);
    return media && lumbex::imageKey(note, *media) == imageKey;
}

QSize pinWindowSize(QSize imagePixels) {
    constexpr int kControls = 40;
    const int width = std::clamp(imagePixels.width(), 320, 600);
    const double imageHeight =
        imagePixels.width() > 0 ? double(imagePixels.height()) * width / imagePixels.width() : 0;
    if (imageHeight < 160)
        return {width, 200};
    return {width, int(std::min(imageHeight, 600.0)) + kControls};
}

} // namespace lumbex
