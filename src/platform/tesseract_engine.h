#pragma once

#include "platform/text_engine.h"

#include <atomic>
#include <memory>

namespace tesseract {
class TessBaseAPI;
}

namespace lumbex {

// Tesseract 5 (LSTM) with the installed English and Korean language data.
//
// Tesseract reads every word with its first language before it tries the next, so asking for
// both on every region doubles the time of a reading, and Korean first misreads Latin text
// ("main.cpp" as "Main.cpp"). The first language is therefore English (Korean when English is
// not installed); all languages means Korean first and English second.
class TesseractEngine : public TextEngine {
public:
    // Loads the language data; throws LumbexError when neither language is installed.
    TesseractEngine();
    ~TesseractEngine() override;

    std::vector<EngineLine> read(const QImage& image, PageLayout layout,
                                 ReadingLanguages languages) override;
    void cancel() override;
    void resume() override;

private:
    static bool shouldCancel(void* engine, int words);
    std::vector<EngineLine> recognize(tesseract::TessBaseAPI& api, const QImage& grey,
                                      PageLayout layout);
    // The Korean-first reader, loaded on first need; null when Korean is not installed.
    tesseract::TessBaseAPI* secondReader();

    std::unique_ptr<tesseract::TessBaseAPI> first_;
    std::unique_ptr<tesseract::TessBaseAPI> second_;
    bool secondAvailable_ = false;
    std::atomic<bool> cancelled_ = false;
};

} // namespace lumbex
