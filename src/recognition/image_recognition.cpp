#include "recognition/image_recognition.h"

#include "recognition/recognition_passes.h"

namespace lumbex {

ImageRecognition::ImageRecognition(RecognitionEngines engines) : engines_(std::move(engines)) {}

void ImageRecognition::cancel() {
    const std::lock_guard guard(lock_);
    cancelled_ = true;
    if (running_)
        running_->cancel();
    if (ticket_)
        engines_.warmCrew->cancel(*ticket_);
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
    if (engines_.warmCrew)
        return readTextOnWarmCrew(bitmap);
    ReadingCrew crew(engines_.textEngine, engines_.textThreads);
    {
        const std::lock_guard guard(lock_);
        if (cancelled_)
            throw RecognitionCancelled();
        running_ = &crew;
    }
    struct Detach {
        ImageRecognition* self;
        ~Detach() {
            const std::lock_guard guard(self->lock_);
            self->running_ = nullptr;
        }
    } detach{this};

    RecognitionResult result;
    result.lines = readImageText(crew, bitmap);
    throwIfCancelled();
    return result;
}

RecognitionResult ImageRecognition::readTextOnWarmCrew(const QImage& bitmap) {
    struct Detach {
        ImageRecognition* self;
        ~Detach() {
            const std::lock_guard guard(self->lock_);
            self->ticket_.reset();
        }
    } detach{this};

    RecognitionResult result;
    WarmReadingCrew& warm = *engines_.warmCrew;
    warm.run(
        [&](WarmReadingCrew::Ticket ticket) {
            const std::lock_guard guard(lock_);
            ticket_ = ticket;
            if (cancelled_)
                warm.cancel(ticket);
        },
        [&](ReadingCrew& crew) { result.lines = readImageText(crew, bitmap); });
    throwIfCancelled();
    return result;
}

} // namespace lumbex
