// Readings through the installed engines: Tesseract for text, ZXing-cpp for QR codes made by
// the qrencode command.
#include "platform/tesseract_engine.h"
#include "platform/zxing_qr_reader.h"
#include "recognition/image_recognition.h"
#include "support/qt_printers.h"
#include "support/temporary_folder.h"
#include "support/test_images.h"

#include <QPainter>
#include <QProcess>
#include <gtest/gtest.h>

namespace lumbex {
namespace {

RecognitionEngines installed() {
    return {[] { return std::make_unique<TesseractEngine>(); },
            [] { return std::make_unique<ZxingQrReader>(); }};
}

// Lines of monospaced text as a terminal shows them at 1×.
QImage terminal(const QStringList& lines, QColor text, QColor background) {
    test::TextStyle style;
    style.ink = text;
    style.background = background;
    return test::textScreen({700, 40 + 20 * int(lines.size())}, lines, style);
}

TEST(EngineReadingTest, ReadsTerminalTextInBothPolarities) {
    const QStringList lines = {QStringLiteral("$ make test"),
                               QStringLiteral("src/main.cpp:12:5: error: expected value"),
                               QStringLiteral("    return total + 42;")};
    for (const auto& [text, background] : {std::pair<QColor, QColor>{"#1b1b1b", "#fbfbf8"},
                                           std::pair<QColor, QColor>{"#d0d0d0", "#1e1e1e"}}) {
        ImageRecognition worker(installed());
        const RecognitionResult result = worker.recognize(terminal(lines, text, background), false);
        EXPECT_EQ(result.text(false), lines.join(u'\n').replace(QStringLiteral("    "), ""));
        EXPECT_EQ(result.text(true), lines.join(u'\n'));
        ASSERT_EQ(result.lines.size(), 3u);
        // The second line starts 20 pixels in and sits 20 pixels below the first.
        EXPECT_NEAR(result.lines[1].bounds.minX(), 20.0 / 700, 2.0 / 700);
        EXPECT_NEAR(result.lines[1].bounds.center().y - result.lines[0].bounds.center().y,
                    20.0 / 100, 3.0 / 100);
    }
}

TEST(EngineReadingTest, ReadsKoreanWhereEnglishCannot) {
    const QImage image = test::textScreen(
        {600, 120}, {QString::fromUtf8("파일을 찾을 수 없습니다"), QStringLiteral("Error 404")},
        {QStringLiteral("NanumGothic"), 22, QColor("#202020"), Qt::white}, {20, 50}, 40);
    // Tesseract's Korean model sets syllables of one word apart at this size ("파 일 을"): the
    // characters and lines are what this checks.
    EXPECT_EQ(ImageRecognition(installed()).recognize(image, false).text(false).remove(u' '),
              QString::fromUtf8("파일을찾을수없습니다\nError404"));
}

QImage qrCode(const test::TemporaryFolder& folder, const QString& payload) {
    const QString path = folder.path(QStringLiteral("code.png"));
    QProcess encoder;
    encoder.start(QStringLiteral("qrencode"),
                  {QStringLiteral("-o"), path, QStringLiteral("-s"), QStringLiteral("5"), payload});
    EXPECT_TRUE(encoder.waitForFinished()) << "qrencode is missing";
    EXPECT_EQ(encoder.exitCode(), 0);
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST(EngineReadingTest, ReadsQrPayloadsExactly) {
    test::TemporaryFolder folder;
    const QString web = QStringLiteral("https://example.org/issues/9?tab=files#L42");
    const QString unicode = QString::fromUtf8("Grüße – 안녕하세요 ✓ “quoted”");
    for (const QString& payload : {web, unicode}) {
        ImageRecognition worker(installed());
        const RecognitionResult result = worker.recognize(qrCode(folder, payload), true);
        EXPECT_EQ(result.codes, std::vector<QString>{payload});
        EXPECT_TRUE(result.lines.empty());
    }

    QImage both(800, 420, QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(QPoint(10, 10), qrCode(folder, web));
    painter.drawImage(QPoint(420, 30), qrCode(folder, unicode));
    painter.end();
    std::vector<QString> codes = ImageRecognition(installed()).recognize(both, true).codes;
    std::vector<QString> expected = {web, unicode};
    std::sort(codes.begin(), codes.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(codes, expected);
}

TEST(EngineReadingTest, AnImageWithoutACodeHasNoPayload) {
    QImage blank(300, 300, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_TRUE(ImageRecognition(installed()).recognize(blank, true).codes.empty());
}

} // namespace
} // namespace lumbex
