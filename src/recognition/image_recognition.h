#pragma once

#include "platform/qr_reader.h"
#include "recognition/reading_crew.h"
#include "recognition/recognition_result.h"
#include "recognition/warm_reading_crew.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace lumbex {

// Makes the readers a reading needs, on the reading's own threads (loading a text engine takes
// a moment, and a QR reading needs none).
struct RecognitionEngines {
    std::function<std::unique_ptr<TextEngine>()> textEngine;
    std::function<std::unique_ptr<QrReader>()> qrReader;
    // How many text engines read the blocks of one image side by side.
    int textThreads = 1;
    // When set, text is read on this kept crew instead of a crew of the reading's own.
    std::shared_ptr<WarmReadingCrew> warmCrew{};
};

// One reading of a bitmap: its text or its QR codes. recognize() blocks its (background)
// thread; cancel() may come from any thread and makes a running reading stop early. Once
// cancelled, a worker stays cancelled: each reading uses a new one.
class ImageRecognition {
public:
    explicit ImageRecognition(RecognitionEngines engines);

    // Text: a pass over the whole image, and for images larger than 2560 × 1536 also the tile
    // pass, merged. QR (`qrOnly`): the payloads only. Throws RecognitionCancelled when
    // cancelled, LumbexError when an engine fails.
    RecognitionResult recognize(const QImage& bitmap, bool qrOnly);
    void cancel();

private:
    void throwIfCancelled();
    RecognitionResult readText(const QImage& bitmap);
    RecognitionResult readTextOnWarmCrew(const QImage& bitmap);

    RecognitionEngines engines_;
    std::mutex lock_;
    bool cancelled_ = false;
    // The engines of the running text reading, so that cancel() can interrupt them.
    ReadingCrew* running_ = nullptr;
    // The reading's place on the warm crew, waiting or running.
    std::optional<WarmReadingCrew::Ticket> ticket_;
};

} // namespace lumbex
