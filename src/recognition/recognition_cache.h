#pragma once

#include "model/note_document.h"
#include "recognition/recognition_result.h"

namespace lumbex {

// Keeps the text of a reading of a whole image in the image's cache, under the content key the
// image had when the reading began, so that the library can search it and a later reading of the
// unchanged image is spared. Not an undo step; nothing happens when the image is gone. A key
// that no longer matches is dropped by the document at once.
void storeRecognition(NoteDocument& document, const Id& mediaID, const QString& imageKey,
                      const RecognitionResult& result);

// The cached text of an image, when its key still matches the image.
std::optional<QString> cachedText(const CaptureNote& note, const Media& media);

} // namespace lumbex
