#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/cli/note_creation.h"
#include "app/cli/voice_draft_opening.h"
#include "core/files.h"
#include "core/json_writer.h"
#include "geometry/mark_geometry.h"
#include "model/image_content.h"
#include "model/image_files.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "model/recording_keys.h"
#include "model/schema_level.h"

namespace lumbex::cli {
namespace {

void createNote(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("-o"), QStringLiteral("--title")}, {});
    const QString packagePath = args.required(QStringLiteral("-o"));
    if (args.positionals().isEmpty())
        throw UsageError(QStringLiteral("name at least one image"));

    NotePackageContents contents;
    contents.note = CaptureNote::make();
    if (args.has(QStringLiteral("--title")))
        contents.note.title = args.value(QStringLiteral("--title"));
    for (const QString& image : args.positionals())
        appendImage(contents, ImageFiles::readImageFile(image), importedImageName(image));
    contents.note.schemaVersion =
        std::max(contents.note.schemaVersion, minimumSchemaVersion(contents.note));
    out << createUserNote(contents, packagePath) << '\n';
}

void writeImageSummary(JsonWriter& out, const CaptureNote& note, const Media& media) {
    const std::vector<Mark> marks = note.marksOn(media.id);
    out.beginObject();
    out.key("id");
    out.value(media.id);
    out.key("imageKey");
    out.value(imageKey(note, media));
    out.key("outputRect");
    out.value(outputRect(media, marks, note.numbers(marks)));
    out.endObject();
}

void checkNote(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    recoverDraftsOf(args.positionals().first());
    const CaptureNote note = readNotePackage(args.positionals().first()).note;
    if (!args.has(QStringLiteral("--json"))) {
        out << "OK\n";
        return;
    }
    JsonWriter summary(JsonWriter::Style::Compact);
    summary.beginObject();
    summary.key("media");
    summary.array(note.media, [&](const Media& m) { writeImageSummary(summary, note, m); });
    summary.key("minimumSchemaVersion");
    summary.value(minimumSchemaVersion(note));
    summary.optional("recording", note.screenRecording, [&](const ScreenRecording& recording) {
        summary.beginObject();
        summary.key("duration");
        summary.value(recording.duration());
        summary.key("editKey");
        summary.value(editKey(recording));
        summary.key("visualKey");
        summary.value(visualKey(recording));
        summary.endObject();
    });
    summary.key("schemaVersion");
    summary.value(note.schemaVersion);
    summary.endObject();
    out << summary.take() << '\n';
}

} // namespace

std::vector<Command> noteCommands() {
    return {
        {{QStringLiteral("note"), QStringLiteral("create")},
         QStringLiteral("note create IMAGE... -o PACKAGE [--title TITLE]"),
         createNote},
        {{QStringLiteral("note"), QStringLiteral("check")},
         QStringLiteral("note check PACKAGE [--json]"),
         checkNote},
    };
}

} // namespace lumbex::cli
