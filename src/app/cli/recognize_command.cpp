#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/document_saving.h"
#include "app/cli/image_choice.h"
#include "app/reading_handover.h"
#include "app/recognition_engines.h"
#include "core/error.h"
#include "core/files.h"
#include "core/json_writer.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/note_document.h"
#include "recognition/recognition_cache.h"
#include "recognition/source_image.h"

#include <QFileInfo>

namespace lumbex::cli {
namespace {

const QString kImage = QStringLiteral("--image");
const QString kLayout = QStringLiteral("--layout");
const QString kArea = QStringLiteral("--area");
const QString kQr = QStringLiteral("--qr");
const QString kJson = QStringLiteral("--json");
const QString kCache = QStringLiteral("--cache");

std::optional<Rect> area(const Arguments& args) {
    if (!args.has(kArea))
        return std::nullopt;
    const QStringList parts = args.value(kArea).split(u',');
    std::vector<double> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        numbers.push_back(part.toDouble(&ok));
        if (!ok || !std::isfinite(numbers.back()))
            numbers.clear();
    }
    if (parts.size() != 4 || numbers.size() != 4 || numbers[2] < 0 || numbers[3] < 0)
        throw UsageError(QStringLiteral("--area takes X,Y,W,H in image pixels"));
    return Rect{numbers[0], numbers[1], numbers[2], numbers[3]};
}

bool codeLayout(const Arguments& args) {
    const QString layout = args.has(kLayout) ? args.value(kLayout) : QStringLiteral("text");
    if (layout != u"text" && layout != u"code")
        throw UsageError(QStringLiteral("--layout is text or code"));
    return layout == u"code";
}

// An image file read as it is, cut to the area when one is given.
QImage imageFileBitmap(const QString& path, const std::optional<Rect>& selection) {
    const QImage image = ImageFiles::image(ImageFiles::readImageFile(path));
    if (!selection)
        return image;
    const Rect extent{0, 0, double(image.width()), double(image.height())};
    const Rect cut = selection->roundedOut().intersected(extent);
    if (cut.isEmpty())
        throw LumbexError(QStringLiteral("Select an area inside the image to read."));
    return image.copy(int(cut.x), int(cut.y), int(cut.width), int(cut.height));
}

QByteArray json(const RecognitionResult& result) {
    JsonWriter writer(JsonWriter::Style::Compact);
    writer.beginObject();
    writer.key("codes");
    writer.array(result.codes, [&](const QString& code) { writer.value(code); });
    writer.key("lines");
    writer.array(result.lines, [&](const RecognizedLine& line) {
        writer.beginObject();
        writer.key("bounds");
        writer.value(line.bounds);
        writer.key("text");
        writer.value(line.text);
        writer.endObject();
    });
    writer.endObject();
    return writer.take();
}

void print(const RecognitionResult& result, const Arguments& args, bool qrOnly, QTextStream& out) {
    if (args.has(kJson)) {
        out << QString::fromUtf8(json(result)) << '\n';
        return;
    }
    const QString text =
        qrOnly ? QStringList(result.codes.begin(), result.codes.end()).join(QStringLiteral("\n\n"))
               : result.text(codeLayout(args));
    if (!text.isEmpty())
        out << text << '\n';
}

// A running application reads with its engines already loaded; without one this process reads.
RecognitionResult read(const QImage& bitmap, bool qrOnly) {
    if (std::optional<RecognitionResult> handed = readInRunningInstance(bitmap, qrOnly))
        return *handed;
    return ImageRecognition(installedRecognitionEngines()).recognize(bitmap, qrOnly);
}

void recognize(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {kImage, kLayout, kArea}, {kQr, kJson, kCache});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one image or package"));
    const QString path = args.positionals().first();
    const bool qrOnly = args.has(kQr);
    const std::optional<Rect> selection = area(args);
    codeLayout(args);
    const bool package = QFileInfo(path).isDir();
    if (!package && (args.has(kImage) || args.has(kCache)))
        throw UsageError(QStringLiteral("--image and --cache need a package"));
    if (args.has(kCache) && (qrOnly || selection))
        throw UsageError(QStringLiteral("--cache keeps the text of a whole image only"));

    if (!package) {
        print(read(imageFileBitmap(path, selection), qrOnly), args, qrOnly, out);
        return;
    }
    const std::unique_ptr<NoteDocument> document = NoteDocument::open(path);
    const CaptureNote note = document->note();
    const Media media = args.has(kImage) ? chooseImage(note, args.value(kImage)) : firstImage(note);
    // The key of the image as it was read: a cache must never claim newer content.
    const QString key = imageKey(note, media);
    const QImage bitmap =
        sourceImage(note, media, document->contents().originals.at(media.id), selection);
    const RecognitionResult result = read(bitmap, qrOnly);
    if (args.has(kCache)) {
        storeRecognition(*document, media.id, key, result);
        saveNow(*document);
    }
    print(result, args, qrOnly, out);
}

} // namespace

std::vector<Command> recognizeCommands() {
    return {{{QStringLiteral("recognize")},
             QStringLiteral("recognize (IMAGE | PACKAGE [--image INDEX|ID]) [--qr] [--layout "
                            "text|code] [--area X,Y,W,H] [--json] [--cache]"),
             recognize}};
}

} // namespace lumbex::cli
