#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/image_choice.h"
#include "canvas/rendering.h"
#include "core/error.h"
#include "core/files.h"
#include "model/image_files.h"
#include "model/note_package.h"

namespace lumbex::cli {
namespace {

std::optional<int> maximumSize(const Arguments& args) {
    if (!args.has(QStringLiteral("--max-size")))
        return std::nullopt;
    bool ok = false;
    const qint64 value = args.value(QStringLiteral("--max-size")).toLongLong(&ok);
    if (!ok)
        throw UsageError(QStringLiteral("--max-size takes a whole number of pixels"));
    // Out-of-range sizes reach the renderer, which answers with its own message.
    return int(std::clamp<qint64>(value, -1, 1 << 20));
}

std::optional<Id> selectedMark(const Arguments& args) {
    if (!args.has(QStringLiteral("--selected")))
        return std::nullopt;
    const auto id = parseId(args.value(QStringLiteral("--selected")));
    if (!id)
        throw UsageError(QStringLiteral("--selected takes an annotation id"));
    return id;
}

void renderImage(const QStringList& words, QTextStream&, QTextStream&) {
    const Arguments args(words,
                         {QStringLiteral("-o"), QStringLiteral("--image"),
                          QStringLiteral("--selected"), QStringLiteral("--max-size")},
                         {QStringLiteral("--jpeg")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const QString output = args.required(QStringLiteral("-o"));
    const std::optional<Id> selected = selectedMark(args);
    const std::optional<int> maximum = maximumSize(args);
    if (selected && maximum)
        throw UsageError(QStringLiteral("--selected and --max-size cannot be combined"));
    const bool jpeg = args.has(QStringLiteral("--jpeg"));

    const NotePackageContents contents = readNotePackage(args.positionals().first());
    const CaptureNote& note = contents.note;
    const Media& media = args.has(QStringLiteral("--image"))
                             ? chooseImage(note, args.value(QStringLiteral("--image")))
                             : firstImage(note);
    const QByteArray& original = contents.originals.at(media.id);

    QImage image;
    if (maximum) {
        const std::vector<Mark> marks = note.marksOn(media.id);
        image = Rendering::render(ImageFiles::image(original), media, marks, note.numbers(marks),
                                  jpeg, std::nullopt, maximum);
    } else {
        image = Rendering::render(note, media, original, jpeg, selected);
    }
    writeFileAtomically(output, ImageFiles::encode(image, jpeg));
}

} // namespace

std::vector<Command> renderCommands() {
    return {{{QStringLiteral("render")},
             QStringLiteral("render PACKAGE -o OUT [--image INDEX|ID] [--jpeg] [--selected "
                            "MARK_ID] [--max-size N]"),
             renderImage}};
}

} // namespace lumbex::cli
