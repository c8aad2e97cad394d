#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "core/files.h"
#include "model/image_files.h"

namespace lumbex::cli {
namespace {

void normalizeImage(const QStringList& words, QTextStream&, QTextStream&) {
    const Arguments args(words, {}, {});
    if (args.positionals().size() != 2)
        throw UsageError(QStringLiteral("name one input and one output file"));
    const QByteArray png = ImageFiles::normalized(ImageFiles::readImageFile(args.positionals()[0]));
    writeFileAtomically(args.positionals()[1], png);
}

void exportImage(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("--title"), QStringLiteral("--directory")}, {});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one image"));
    const QString title = args.required(QStringLiteral("--title"));
    std::optional<QString> directory;
    if (args.has(QStringLiteral("--directory")))
        directory = args.value(QStringLiteral("--directory"));
    out << ImageFiles::prepareExport(ImageFiles::readImageFile(args.positionals()[0]), title, directory) << '\n';
}

} // namespace

std::vector<Command> imageCommands() {
    return {
        {{QStringLiteral("image"), QStringLiteral("normalize")},
         QStringLiteral("image normalize IN OUT"),
         normalizeImage},
        {{QStringLiteral("image"), QStringLiteral("export")},
         QStringLiteral("image export IN --title TITLE [--directory DIR]"),
         exportImage},
    };
}

} // namespace lumbex::cli
