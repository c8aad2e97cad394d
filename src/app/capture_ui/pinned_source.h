#pragma once

#include "core/ids.h"
#include "records/capture_note.h"

#include <QSize>
#include <QString>

namespace lumbex {

// Which image a pinned snapshot shows, and the content key it had when it was pinned.
struct PinnedSource {
    Id noteID;
    Id mediaID;
    QString imageKey;

    // The snapshot of `media` in `note` as it is now.
    static PinnedSource of(const CaptureNote& note, const Media& media);
    // The note is this one, still has the image, and the image still looks the same (its crop,
    // pixels and redactions are unchanged).
    bool matches(const CaptureNote& note) const;
};

// The pinned window for an image of `imagePixels`: as wide as the image within 320 … 600
// points; as high as the image at that width, at most 600, plus 40 for the controls, or 200 in
// all when the image would be lower than 160.
QSize pinWindowSize(QSize imagePixels);

} // namespace lumbex
