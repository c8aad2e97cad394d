#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "core/files.h"
#include "core/json_write.h"
#include "geometry/mark_geometry.h"
#include "model/image_content.h"
#include "model/image_import.h"
#include "model/note_package.h"
#include "model/recording_keys.h"
#include "model/schema_level.h"

#include <QFileInfo>

namespace lumbex::cli {
namespace {

void createNote(const QStringList& words, QTextStream& out) {
    const Arguments args(words, {QStringLiteral("-o"), QStringLiteral("--title")}, {});
    const QString packagePath = args.required(QStringLiteral("-o"));
    if (args.positionals().isEmpty())
        throw UsageError(QStringLiteral("name at least one image"));

    NotePackageContents contents;
    contents.note = CaptureNote::make();
    if (args.has(QStringLiteral("--title")))
        contents.note.title = args.value(QStringLiteral("--title"));
    for (const QString& image : args.positionals())
        appendImage(contents, readFile(image), QFileInfo(image).completeBaseName());
    contents.note.schemaVersion =
        std::max(contents.note.schemaVersion, minimumSchemaVersion(contents.note));
    createNotePackage(contents, packagePath);
    out << QFileInfo(packagePath).absoluteFilePath() << '\n';
}

QJsonObject imageSummary(const CaptureNote& note, const Media& media) {
    const std::vector<Mark> marks = note.marksOn(media.id);
    return {{QStringLiteral("id"), jsonId(media.id)},
            {QStringLiteral("outputRect"), jsonRect(outputRect(media, marks, note.numbers(marks)))},
            {QStringLiteral("imageKey"), imageKey(note, media)}};
}

void checkNote(const QStringList& words, QTextStream& out) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one package"));
    const CaptureNote note = readNotePackage(args.positionals().first()).note;
    if (!args.has(QStringLiteral("--json"))) {
        out << "OK\n";
        return;
    }
    QJsonArray media;
    for (const Media& m : note.media)
        media.append(imageSummary(note, m));
    QJsonObject summary{{QStringLiteral("schemaVersion"), note.schemaVersion},
                        {QStringLiteral("minimumSchemaVersion"), minimumSchemaVersion(note)},
                        {QStringLiteral("media"), media}};
    if (const auto& recording = note.screenRecording)
        summary.insert(QStringLiteral("recording"),
                       QJsonObject{{QStringLiteral("duration"), recording->duration()},
                                   {QStringLiteral("editKey"), editKey(*recording)},
                                   {QStringLiteral("visualKey"), visualKey(*recording)}});
    out << encodeCompact(summary) << '\n';
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
