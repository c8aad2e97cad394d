#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "cloud/review_export.h"
#include "model/note_package.h"

namespace lumbex::cli {
namespace {

void reviewPdf(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("-o")}, {});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const QString output = args.required(QStringLiteral("-o"));
    const NotePackageContents contents = readNotePackage(args.positionals().first());
    exportReviewPdf(contents.note, contents.originals, output);
    out << "Mobile PDF exported · Revision " << contents.note.revision << '\n';
}

} // namespace

std::vector<Command> reviewCommands() {
    return {{{QStringLiteral("review-pdf")},
             QStringLiteral("review-pdf PACKAGE -o OUT.pdf"),
             reviewPdf}};
}

} // namespace lumbex::cli
