#include "recognition/recognition_cache.h"

#include "model/image_content.h"

namespace lumbex {

void storeRecognition(NoteDocument& document, const Id& mediaID, const QString& key,
                      const RecognitionResult& result) {
    if (!document.note().image(mediaID))
        return;
    const RecognitionCache cache{key, result.text(false)};
    document.update([&](CaptureNote& note) {
        for (Media& media : note.media)
            if (media.id == mediaID)
                media.recognition = cache;
    });
}

std::optional<QString> cachedText(const CaptureNote& note, const Media& media) {
    if (!media.recognition || media.recognition->imageKey != imageKey(note, media))
        return std::nullopt;
    return media.recognition->text;
}

} // namespace lumbex
