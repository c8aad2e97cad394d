#include "platform/tesseract_engine.h"

#include <QFile>
#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

namespace lumbex {
namespace {

std::unique_ptr<tesseract::TessBaseAPI> loaded(const char* languages) {
    auto api = std::make_unique<tesseract::TessBaseAPI>();
    // Tesseract reports progress and warnings on stderr unless told otherwise.
    api->SetVariable("debug_file", "/dev/null");
    // No word lists: screens hold code, paths and names that a dictionary would "correct".
    std::vector<std::string> names = {"load_system_dawg", "load_freq_dawg"};
    std::vector<std::string> values = {"0", "0"};
    if (api->Init(nullptr, languages, tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values,
                  false) != 0)
        return nullptr;
    // Callers hand over regions already turned dark-on-light; trying each line inverted again
    // would double the work.
    api->SetVariable("tessedit_do_invert", "0");
    return api;
}

QString utf8Text(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level) {
    const std::unique_ptr<char[]> text(it.GetUTF8Text(level));
    return text ? QString::fromUtf8(text.get()).trimmed() : QString();
}

QRect box(const tesseract::ResultIterator& it, tesseract::PageIteratorLevel level) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (!it.BoundingBox(level, &left, &top, &right, &bottom))
        return {};
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

// The words of the line the iterator stands on; leaves it on the line's last word.
EngineLine readLine(tesseract::ResultIterator& it) {
    EngineLine line{{}, box(it, tesseract::RIL_TEXTLINE), {}};
    QStringList texts;
    do {
        const QString word = utf8Text(it, tesseract::RIL_WORD);
        if (word.isEmpty())
            continue;
        texts << word;
        line.words.push_back(
            {word, box(it, tesseract::RIL_WORD), it.Confidence(tesseract::RIL_WORD)});
    } while (!it.IsAtFinalElement(tesseract::RIL_TEXTLINE, tesseract::RIL_WORD) &&
             it.Next(tesseract::RIL_WORD));
    line.text = texts.join(u' ');
    return line;
}

tesseract::PageSegMode pageSegmentation(PageLayout layout) {
    switch (layout) {
    case PageLayout::SingleLine:
        return tesseract::PSM_SINGLE_LINE;
    case PageLayout::SingleBlock:
        return tesseract::PSM_SINGLE_BLOCK;
    case PageLayout::Automatic:
        break;
    }
    return tesseract::PSM_AUTO;
}

// Keeps Tesseract's OpenMP loops on the calling thread: its threads make every reading several
// times slower on machines with few cores, and readings already run side by side. The thread
// count is a setting of each thread, so every reading thread sets it.
void keepOpenMpOnThisThread() {
    omp_set_max_active_levels(0);
    omp_set_num_threads(1);
}

} // namespace

TesseractEngine::TesseractEngine() {
    first_ = loaded("eng");
    // Korean is loaded only when a region needs it; its data file tells whether it can be.
    secondAvailable_ = first_ && QFile::exists(QString::fromLocal8Bit(first_->GetDatapath()) +
                                               QStringLiteral("/kor.traineddata"));
    if (!first_)
        first_ = loaded("kor");
    if (!first_)
        throw LumbexError(QStringLiteral(
            "Text recognition needs Tesseract’s English or Korean language data. Install "
            "tesseract-ocr-eng or tesseract-ocr-kor and try again."));
}

TesseractEngine::~TesseractEngine() = default;

bool TesseractEngine::shouldCancel(void* engine, int) {
    return static_cast<TesseractEngine*>(engine)->cancelled_.load();
}

void TesseractEngine::cancel() {
    cancelled_ = true;
}

void TesseractEngine::resume() {
    cancelled_ = false;
}

tesseract::TessBaseAPI* TesseractEngine::secondReader() {
    if (!second_ && secondAvailable_)
        second_ = loaded("kor+eng");
    return second_.get();
}

std::vector<EngineLine> TesseractEngine::read(const QImage& image, PageLayout layout,
                                              ReadingLanguages languages) {
    if (cancelled_)
        throw RecognitionCancelled();
    tesseract::TessBaseAPI* reader = languages == ReadingLanguages::All ? secondReader() : nullptr;
    return recognize(reader ? *reader : *first_, image.convertToFormat(QImage::Format_Grayscale8),
                     layout);
}

std::vector<EngineLine> TesseractEngine::recognize(tesseract::TessBaseAPI& api, const QImage& grey,
                                                   PageLayout layout) {
    keepOpenMpOnThisThread();
    api.SetPageSegMode(pageSegmentation(layout));
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    // Screens carry no resolution; this is what Tesseract assumes for 1× screen text.
    api.SetSourceResolution(96);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &TesseractEngine::shouldCancel;
    monitor.cancel_this = this;
    const int status = api.Recognize(&monitor);
    if (cancelled_)
        throw RecognitionCancelled();
    if (status != 0)
        throw LumbexError(QStringLiteral("Text recognition failed. Try again."));

    std::vector<EngineLine> lines;
    const std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it || it->Empty(tesseract::RIL_TEXTLINE))
        return lines;
    do {
        EngineLine line = readLine(*it);
        if (!line.words.empty())
            lines.push_back(std::move(line));
    } while (it->Next(tesseract::RIL_TEXTLINE));
    return lines;
}

} // namespace lumbex
