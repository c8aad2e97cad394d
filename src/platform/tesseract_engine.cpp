#include "platform/tesseract_engine.h"

#include <omp.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

namespace lumbex {
namespace {

// Korean first, then English, as far as their data is installed.
constexpr const char* kLanguageChoices[] = {"kor+eng", "eng", "kor"};

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

} // namespace

void limitRecognitionThreads() {
    // No nested or outer parallel region becomes active: every OpenMP loop runs serially.
    omp_set_max_active_levels(0);
    omp_set_num_threads(1);
}

TesseractEngine::TesseractEngine() : api_(std::make_unique<tesseract::TessBaseAPI>()) {
    // Tesseract reports progress and warnings on stderr unless told otherwise.
    api_->SetVariable("debug_file", "/dev/null");
    for (const char* choice : kLanguageChoices) {
        if (api_->Init(nullptr, choice, tesseract::OEM_LSTM_ONLY) == 0) {
            languages_ = QString::fromLatin1(choice);
            break;
        }
    }
    if (languages_.isEmpty())
        throw LumbexError(QStringLiteral(
            "Text recognition needs Tesseract’s English or Korean language data. Install "
            "tesseract-ocr-eng or tesseract-ocr-kor and try again."));
    // Callers hand over regions already turned dark-on-light; trying each line inverted again
    // would double the work.
    api_->SetVariable("tessedit_do_invert", "0");
}

TesseractEngine::~TesseractEngine() {
    api_->End();
}

bool TesseractEngine::shouldCancel(void* engine, int) {
    return static_cast<TesseractEngine*>(engine)->cancelled_.load();
}

void TesseractEngine::cancel() {
    cancelled_ = true;
}

std::vector<EngineLine> TesseractEngine::read(const QImage& image, PageLayout layout) {
    if (cancelled_)
        throw RecognitionCancelled();
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    api_->SetPageSegMode(pageSegmentation(layout));
    api_->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    // Screens carry no resolution; this is what Tesseract assumes for 1× screen text.
    api_->SetSourceResolution(96);
    tesseract::ETEXT_DESC monitor;
    monitor.cancel = &TesseractEngine::shouldCancel;
    monitor.cancel_this = this;
    const int status = api_->Recognize(&monitor);
    if (cancelled_)
        throw RecognitionCancelled();
    if (status != 0)
        throw LumbexError(QStringLiteral("Text recognition failed. Try again."));

    std::vector<EngineLine> lines;
    const std::unique_ptr<tesseract::ResultIterator> it(api_->GetIterator());
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
