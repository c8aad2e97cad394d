// Counts the words of a screen's known text that the full pass alone reads and that the whole
// reading (full pass, tile pass and merge) reads, for bench/recognition_quality.py.
// usage: recognition_tile_gain SCREEN.png SCREEN.json
#include "platform/tesseract_engine.h"
#include "platform/zxing_qr_reader.h"
#include "recognition/image_recognition.h"
#include "recognition/recognition_passes.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <cstdio>
#include <map>

namespace {

QStringList words(const QString& text) {
    return text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

// How many of the known words the lines hold, each known word matched at most once.
int found(const QStringList& known, const std::vector<lumbex::RecognizedLine>& lines) {
    std::map<QString, int> read;
    for (const lumbex::RecognizedLine& line : lines)
        for (const QString& word : words(line.text))
            ++read[word];
    int count = 0;
    for (const QString& word : known)
        if (read[word] > 0) {
            --read[word];
            ++count;
        }
    return count;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: recognition_tile_gain SCREEN.png SCREEN.json\n", stderr);
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    QFile file(QString::fromLocal8Bit(argv[2]));
    file.open(QIODevice::ReadOnly);
    QStringList known;
    for (const QJsonValue window : QJsonDocument::fromJson(file.readAll())["windows"].toArray())
        known << words(window["text"].toString());

    lumbex::ReadingCrew crew([] { return std::make_unique<lumbex::TesseractEngine>(); }, 1);
    const int fullPass = found(known, lumbex::readFullImage(crew, image));
    lumbex::ImageRecognition worker({[] { return std::make_unique<lumbex::TesseractEngine>(); },
                                     [] { return std::make_unique<lumbex::ZxingQrReader>(); }});
    const int withTiles = found(known, worker.recognize(image, false).lines);
    std::printf("tile pass on %dx%d: full pass alone reads %d of %d known words, with the tile "
                "pass %d (%+d)\n",
                image.width(), image.height(), fullPass, int(known.size()), withTiles,
                withTiles - fullPass);
    return 0;
}
