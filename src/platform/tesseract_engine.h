#pragma once

#include "platform/text_engine.h"

#include <atomic>
#include <memory>

namespace tesseract {
class TessBaseAPI;
}

namespace lumbex {

// Tesseract 5 (LSTM) with the installed Korean and English language data.
class TesseractEngine : public TextEngine {
public:
    // Loads the language data; throws LumbexError when neither language is installed.
    TesseractEngine();
    ~TesseractEngine() override;

    std::vector<EngineLine> read(const QImage& image, PageLayout layout) override;
    void cancel() override;

    // The Tesseract language list used, in order of preference ("kor+eng").
    QString languages() const { return languages_; }

private:
    static bool shouldCancel(void* engine, int words);

    std::unique_ptr<tesseract::TessBaseAPI> api_;
    QString languages_;
    std::atomic<bool> cancelled_ = false;
};

// Keeps Tesseract's OpenMP loops on the calling thread. Its threads make every reading several
// times slower on machines with few cores; call once before the first engine is made.
void limitRecognitionThreads();

} // namespace lumbex
