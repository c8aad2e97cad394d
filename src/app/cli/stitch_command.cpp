#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/note_creation.h"
#include "capture/scroll_capture_note.h"
#include "core/error.h"
#include "core/files.h"
#include "model/fast_png.h"
#include "model/image_files.h"
#include "model/note_package.h"

#include <QFileInfo>

namespace lumbex::cli {
namespace {

// Joins image files in the order given, as "Stitch Scroll Images…" does, reporting each frame on
// the log. A frame that cannot be joined after at least one was ends the stitch as a partial
// capture, keeping that frame as the unmatched last one; before that it is a failure.
void stitchImages(const QStringList& words, QTextStream& out, QTextStream& log) {
    const Arguments args(
        words, {QStringLiteral("-o"), QStringLiteral("--png"), QStringLiteral("--title")}, {});
    if (args.positionals().isEmpty())
        throw UsageError(QStringLiteral("name at least one frame"));
    if (args.has(QStringLiteral("-o")) == args.has(QStringLiteral("--png")))
        throw UsageError(QStringLiteral("give either -o PACKAGE or --png OUT.png"));

    ScrollStitcher stitcher;
    std::optional<QString> issue;
    for (const QString& file : args.positionals()) {
        QImage frame;
        try {
            frame = ImageFiles::image(ImageFiles::readImageFile(file));
            if (stitcher.append(frame) == ScrollStitcher::Update::Unchanged) {
                log << "unchanged\n";
                continue;
            }
            const ScrollStitcher::Frame& added = stitcher.frames().back();
            log << "added offsetY=" << added.offsetY.value_or(0) << " footer=" << added.footerHeight
                << '\n';
        } catch (const LumbexError& e) {
            if (stitcher.joinedCount() == 0)
                throw;
            log << e.message() << '\n';
            issue = e.message();
            if (!frame.isNull())
                stitcher.preserveUnmatched(frame);
            break;
        }
    }

    const QByteArray stitched = FastPng::encode(stitcher.render());
    if (args.has(QStringLiteral("--png"))) {
        const QString path = args.value(QStringLiteral("--png"));
        writeFileAtomically(path, stitched);
        out << QFileInfo(path).absoluteFilePath() << '\n';
        return;
    }
    NotePackageContents contents =
        scrollCaptureNote(stitcher, issue.has_value(), issue, true, stitched);
    if (args.has(QStringLiteral("--title")))
        contents.note.title = args.value(QStringLiteral("--title"));
    out << createUserNote(contents, args.value(QStringLiteral("-o"))) << '\n';
}

} // namespace

std::vector<Command> stitchCommands() {
    return {{{QStringLiteral("stitch")},
             QStringLiteral("stitch FRAME... (-o PACKAGE | --png OUT.png) [--title TITLE]"),
             stitchImages}};
}

} // namespace lumbex::cli
