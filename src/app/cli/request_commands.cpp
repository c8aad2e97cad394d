#include "app/cli/arguments.h"
#include "app/cli/clipboard_holder.h"
#include "app/cli/command.h"
#include "app/cli/image_choice.h"
#include "core/error.h"
#include "model/note_package.h"
#include "request/handoff.h"
#include "request/request_plan.h"

#include <QDir>

namespace lumbex::cli {
namespace {

// The image active in the editor: the one named by --active, else the first.
Id activeImage(const CaptureNote& note, const Arguments& args) {
    if (!args.has(QStringLiteral("--active")))
        return note.media.empty() ? Id() : note.media.front().id;
    return imageWithId(note, args.value(QStringLiteral("--active"))).id;
}

void printRequest(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("--active")}, {});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const CaptureNote note = readNotePackage(args.positionals().first()).note;
    out << RequestPlan::build(note, activeImage(note, args)).markdown();
}

void prepareHandoff(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("--project"), QStringLiteral("--active")},
                         {QStringLiteral("--copy")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const QString project = QDir(args.required(QStringLiteral("--project"))).absolutePath();
    const NotePackageContents contents = readNotePackage(args.positionals().first());
    const RequestPlan plan = RequestPlan::build(contents.note, activeImage(contents.note, args));
    const QString clipboard = Handoff::prepare(plan, contents.originals, project).clipboard();
    if (args.has(QStringLiteral("--copy")))
        offerOnClipboard(clipboard);
    out << clipboard;
}

void holdClipboardCommand(const QStringList& words, QTextStream&, QTextStream&) {
    const Arguments args(words, {}, {});
    if (args.positionals().size() != 2)
        throw UsageError(QStringLiteral("name the ready file and the text"));
    if (holdClipboard(args.positionals()[0], args.positionals()[1]) != 0)
        throw LumbexError(
            QStringLiteral("Couldn’t copy the request. The prepared files are still available."));
}

} // namespace

std::vector<Command> requestCommands() {
    return {
        {{QStringLiteral("request")},
         QStringLiteral("request PACKAGE [--active ID]"),
         printRequest},
        {{QStringLiteral("handoff")},
         QStringLiteral("handoff PACKAGE --project DIR [--active ID] [--copy]"),
         prepareHandoff},
        {{QStringLiteral("hold-clipboard")}, QString(), holdClipboardCommand},
    };
}

} // namespace lumbex::cli
