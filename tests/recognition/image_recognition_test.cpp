#include "recognition/image_recognition.h"
#include "support/fake_recognition_engines.h"
#include "support/qt_printers.h"
#include "support/test_images.h"

#include <QPainter>
#include <future>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

using test::FakeQrReader;
using test::FakeTextEngine;

// A white image with one dark word in its middle: one text block for the engine to read.
QImage screenWithAWord(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(16);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, width, height), Qt::AlignCenter, QStringLiteral("Word"));
    return image;
}

struct Engines {
    // The engine of the running reading; gone once the reading ends.
    FakeTextEngine* text = nullptr;
    std::vector<QSize> sizesRead;
    int textEnginesMade = 0;
    int qrReadersMade = 0;

    RecognitionEngines make(bool hold = false, std::vector<QString> codes = {}) {
        return {[this, hold] {
                    ++textEnginesMade;
                    auto engine = std::make_unique<FakeTextEngine>(hold, &sizesRead);
                    text = engine.get();
                    return engine;
                },
                [this, codes] {
                    ++qrReadersMade;
                    return std::make_unique<FakeQrReader>(codes);
                }};
    }
};

QStringList texts(const RecognitionResult& result) {
    QStringList list;
    for (const RecognizedLine& line : result.lines)
        list << line.text;
    return list;
}

TEST(ImageRecognitionTest, ImagesUpTo2560By1536AreReadWhole) {
    Engines engines;
    ImageRecognition worker(engines.make());
    const RecognitionResult result = worker.recognize(screenWithAWord(2560, 200), false);
    EXPECT_EQ(texts(result), QStringList{"alpha beta"});
    EXPECT_EQ(engines.sizesRead.size(), 1u);
    EXPECT_TRUE(result.codes.empty());
    EXPECT_EQ(engines.qrReadersMade, 0);
}

TEST(ImageRecognitionTest, LargerImagesAddTheWordsOfTheirTilesInsteadOfTheLinesTheyCover) {
    Engines engines;
    ImageRecognition worker(engines.make());
    const RecognitionResult result = worker.recognize(screenWithAWord(2561, 200), false);
    // The word lies in the first tile's core only; the full pass line it covers is replaced.
    EXPECT_EQ(texts(result), (QStringList{"alpha", "beta"}));
    // The tile holds the same pixels around the word as the whole image: read once.
    EXPECT_EQ(engines.sizesRead.size(), 1u);
    for (const RecognizedLine& word : result.lines) {
        EXPECT_GT(word.bounds.minX(), 0.45);
        EXPECT_LT(word.bounds.maxX(), 0.55);
    }
}

TEST(ImageRecognitionTest, TallBlocksAreReadInBandsThatMeetWhereTheirLinesEnd) {
    constexpr int kLines = 20, kPitch = 20, kTop = 20;
    QStringList lines;
    for (int i = 0; i < kLines; ++i)
        lines << QStringLiteral("%1 Build step finished").arg(i);
    const QImage image =
        test::textScreen({600, kTop * 2 + kLines * kPitch}, lines, {}, {20, kTop + 14}, kPitch);

    Engines engines;
    const RecognitionResult result = ImageRecognition(engines.make()).recognize(image, false);
    // Twenty lines in bands of about eight: three reads, each placed where its band lies.
    EXPECT_EQ(engines.sizesRead.size(), 3u);
    ASSERT_EQ(result.lines.size(), 3u);
    const double height = image.height();
    EXPECT_LE(result.lines.front().bounds.minY(), kTop / height);
    EXPECT_GE(result.lines.back().bounds.maxY(), (kTop + kLines * kPitch - 4) / height);
    for (size_t i = 1; i < result.lines.size(); ++i) {
        const Rect above = result.lines[i - 1].bounds, below = result.lines[i].bounds;
        EXPECT_NEAR(above.maxY(), below.minY(), 1.0 / height) << i;
        // Cut between lines: a band holds whole lines of about seven rows of text each.
        const double lines = (below.maxY() - below.minY()) * height / kPitch;
        EXPECT_GE(lines, 6) << i;
        EXPECT_LE(lines, 8) << i;
    }
}

// Reads every image as one word whose text and confidence depend on the languages asked for.
class ScriptEngine : public TextEngine {
public:
    struct Reading {
        QString text;
        double confidence;
    };
    ScriptEngine(Reading first, Reading all, std::vector<ReadingLanguages>* asked)
        : first_(first), all_(all), asked_(asked) {}
    std::vector<EngineLine> read(const QImage& image, PageLayout,
                                 ReadingLanguages languages) override {
        asked_->push_back(languages);
        const Reading& reading = languages == ReadingLanguages::First ? first_ : all_;
        return {{reading.text, image.rect(), {{reading.text, image.rect(), reading.confidence}}}};
    }
    void cancel() override {}
    void resume() override {}

private:
    Reading first_, all_;
    std::vector<ReadingLanguages>* asked_;
};

TEST(ImageRecognitionTest, ABlockReadWithLittleConfidenceIsReadAgainWithAllLanguages) {
    using enum ReadingLanguages;
    const struct {
        ScriptEngine::Reading first, all;
        QString kept;
        std::vector<ReadingLanguages> asked;
    } cases[] = {
        {{"AAUYS", 40}, {"파일", 80}, "파일", {First, All}},
        // The other languages read no better: the first reading stays.
        {{"AAUYS", 40}, {"파알", 30}, "AAUYS", {First, All}},
        {{"main.cpp", 60}, {"Main.cpp", 95}, "main.cpp", {First}},
    };
    for (const auto& c : cases) {
        std::vector<ReadingLanguages> asked;
        ImageRecognition worker(
            {[&] { return std::make_unique<ScriptEngine>(c.first, c.all, &asked); },
             [] { return std::make_unique<FakeQrReader>(std::vector<QString>{}); }});
        EXPECT_EQ(texts(worker.recognize(screenWithAWord(300, 100), false)), QStringList{c.kept});
        EXPECT_EQ(asked, c.asked) << c.kept.toStdString();
    }
}

TEST(ImageRecognitionTest, QrReadingsReturnOnlyThePayloads) {
    Engines engines;
    ImageRecognition worker(engines.make(false, {QStringLiteral("one"), QStringLiteral("two")}));
    const RecognitionResult result = worker.recognize(screenWithAWord(300, 100), true);
    EXPECT_EQ(result.codes, (std::vector<QString>{"one", "two"}));
    EXPECT_TRUE(result.lines.empty());
    EXPECT_EQ(engines.textEnginesMade, 0);
}

TEST(ImageRecognitionTest, ACancelledWorkerReadsNothing) {
    for (const bool qrOnly : {false, true}) {
        Engines engines;
        ImageRecognition worker(engines.make());
        worker.cancel();
        EXPECT_THROW(worker.recognize(screenWithAWord(300, 100), qrOnly), RecognitionCancelled);
        EXPECT_EQ(engines.textEnginesMade + engines.qrReadersMade, 0);
    }
}

TEST(ImageRecognitionTest, CancellingFromAnotherThreadStopsARunningReading) {
    Engines engines;
    ImageRecognition worker(engines.make(true));
    auto reading = std::async(std::launch::async,
                              [&] { return worker.recognize(screenWithAWord(300, 100), false); });
    while (!engines.text || !engines.text->reading)
        std::this_thread::yield();
    worker.cancel();
    EXPECT_THROW(reading.get(), RecognitionCancelled);
    // Once cancelled, the worker stays cancelled.
    EXPECT_THROW(worker.recognize(screenWithAWord(300, 100), false), RecognitionCancelled);
}

TEST(ImageRecognitionTest, AnImageWithoutTextGivesNoLines) {
    Engines engines;
    QImage blank(400, 300, QImage::Format_RGB32);
    blank.fill(QColor("#1e1e1e"));
    EXPECT_TRUE(ImageRecognition(engines.make()).recognize(blank, false).lines.empty());
}

} // namespace
} // namespace lumbex
