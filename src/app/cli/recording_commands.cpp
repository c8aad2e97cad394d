#include "app/cli/arguments.h"
#include "app/cli/command.h"
#include "app/recording_services.h"
#include "core/error.h"
#include "core/json_writer.h"
#include "model/app_folders.h"
#include "model/note_library.h"
#include "platform/recording_media.h"
#include "recording/pending_recording.h"
#include "recording/recording_journal.h"
#include "records/recording_time.h"

#include <QSettings>

namespace lumbex::cli {
namespace {

RecordingSegment inspectUnfinishedSegment(const QString& file, const Id& id) {
    return inspectRecordingSegment(file, id);
}

void recover(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {QStringLiteral("-o")}, {QStringLiteral("--json")});
    if (args.positionals().size() != 1)
        throw UsageError(QStringLiteral("name one recording folder"));
    if (args.has(QStringLiteral("-o")) && args.has(QStringLiteral("--json")))
        throw UsageError(QStringLiteral("give either --json or -o PACKAGE"));
    const QString folder = args.positionals().first();

    if (args.has(QStringLiteral("-o"))) {
        const std::unique_ptr<QSettings> settings = openSettings();
        NoteLibrary library(libraryFolder(), *settings);
        out << saveRecoveredNote(folder, library, *settings, args.value(QStringLiteral("-o")))
                   .package
            << '\n';
        return;
    }
    const RecordingJournal journal = recoverRecording(folder, inspectUnfinishedSegment);
    if (args.has(QStringLiteral("--json"))) {
        out << journal.encode(false) << '\n';
        return;
    }
    out << "duration " << recordingTimeLabel(journal.recording.duration()) << '\n'
        << "recovery " << rawValue(*journal.recording.recovery) << '\n';
    if (journal.issue)
        out << "issue " << *journal.issue << '\n';
}

// One line per recording: a title's inner tabs and line breaks would split it.
QString oneLine(QString text) {
    for (QChar& c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

void listPending(const QStringList& words, QTextStream& out, QTextStream&) {
    const Arguments args(words, {}, {QStringLiteral("--json")});
    if (!args.positionals().isEmpty())
        throw UsageError(QStringLiteral("unexpected “%1”").arg(args.positionals().first()));
    const std::vector<PendingRecording> pending = PendingRecording::discover(
        pendingRecordingsFolder(libraryFolder()), PendingRecording::reviewed(*openSettings()));
    if (!args.has(QStringLiteral("--json"))) {
        for (const PendingRecording& p : pending)
            out << p.directory << '\t' << oneLine(p.title) << '\t' << p.detail << '\n';
        return;
    }
    JsonWriter json(JsonWriter::Style::Compact);
    json.array(pending, [&](const PendingRecording& p) {
        json.beginObject();
        json.key("createdAt");
        json.value(p.createdAt);
        json.key("detail");
        json.value(p.detail);
        json.key("directory");
        json.value(p.directory);
        json.key("signature");
        if (p.signature)
            json.value(*p.signature);
        else
            json.null();
        json.key("title");
        json.value(p.title);
        json.endObject();
    });
    out << json.take() << '\n';
}

} // namespace

std::vector<Command> recordingCommands() {
    std::vector<Command> commands = {
        {{QStringLiteral("recording"), QStringLiteral("recover")},
         QStringLiteral("recording recover FOLDER [--json | -o PACKAGE]"),
         recover},
        {{QStringLiteral("recording"), QStringLiteral("pending")},
         QStringLiteral("recording pending [--json]"),
         listPending},
        recordingInspectCommand(),
    };
    for (std::vector<Command> group : {recordingEditCommands(), recordingExportCommands()})
        for (Command& command : group)
            commands.push_back(std::move(command));
    return commands;
}

} // namespace lumbex::cli
