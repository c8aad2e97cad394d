#include "recognition/image_recognition.h"

#include "recognition/recognition_passes.h"
#include "recognition/recognized_lines.h"
#include "recognition/remembering_engine.h"
#include "recognition/tile_plan.h"

namespace lumbex {

ImageRecognition::ImageRecognition(RecognitionEngines engines) : engines_(std::move(engines)) {}

void ImageRecognition::cancel() {
    const std::lock_guard guard(lock_);
    cancelled_ = true;
    if (running_)
        running_->cancel();
}

void ImageRecognition::throwIfCancelled() {
    const std::lock_guard guard(lock_);
    if (cancelled_)
        throw RecognitionCancelled();
}

RecognitionResult ImageRecognition::recognize(const QImage& bitmap, bool qrOnly) {
    throwIfCancelled();
    if (qrOnly) {
        RecognitionResult result;
        result.codes = engines_.qrReader()->read(bitmap);
        throwIfCancelled();
        return result;
    }
    return readText(bitmap);
}

RecognitionResult ImageRecognition::readText(const QImage& bitmap) {
    const std::unique_ptr<TextEngine> engine = engines_.textEngine();
    {
        const std::lock_guard guard(lock_);
        if (cancelled_)
            throw RecognitionCancelled();
        running_ = engine.get();
    }
    struct Detach {
        ImageRecognition* self;
        ~Detach() {
            const std::lock_guard guard(self->lock_);
            self->running_ = nullptr;
        }
    } detach{this};

    RememberingEngine remembering(*engine);
    RecognitionResult result;
    result.lines = readFullImage(remembering, bitmap);
    throwIfCancelled();
    if (needsTilePass(bitmap.size()))
        result.lines = mergeTileWords(
            result.lines, readTiles(remembering, bitmap, [this] { throwIfCancelled(); }));
    throwIfCancelled();
    return result;
}

} // namespace lumbex
