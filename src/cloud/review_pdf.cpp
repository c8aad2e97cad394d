#include "cloud/review_pdf.h"

#include "core/error.h"
#include "model/image_content.h"

#include <algorithm>

namespace lumbex {

std::vector<Media> reviewVisibleMedia(const CaptureNote& note) {
    std::vector<Media> visible;
    for (const Media& media : note.media)
        if (isFrameCurrent(note, media))
            visible.push_back(media);
    const bool hasFrame = std::any_of(visible.begin(), visible.end(),
                                      [](const Media& m) { return m.recordingFrame.has_value(); });
    if (note.screenRecording && !hasFrame)
        throw LumbexError(
            QStringLiteral("Add a current recording frame before preparing the mobile review."));
    return visible;
}

void writeReviewPdf(const CaptureNote&, const std::map<Id, QByteArray>&, const QString&,
                    const QString&) {
    throw LumbexError(QStringLiteral("The mobile PDF could not be created."));
}

} // namespace lumbex
